// Files and folders of the 7-Zip binding tests, on both platforms.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace sztest {

namespace fs = std::filesystem;

inline int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

// The folder of an image script's output, named by `variable` (a unix path;
// Z:\ under Wine).
inline fs::path ImagesDir(const char* variable = "SEVENZIP_IMAGES") {
  const char* dir = std::getenv(variable);
  if (!dir || !*dir) ADD_FAILURE() << variable << " is not set";
  std::string text = dir ? dir : "";
#ifdef _WIN32
  for (char& c : text)
    if (c == '/') c = '\\';
  text = "Z:" + text;
#endif
  return fs::path(text);
}

inline std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A scratch folder of this test, emptied first and removed afterwards.
class TScratch {
public:
  explicit TScratch(const std::string& name)
      : FPath(ImagesDir() / ("scratch-" + name + "-" + std::to_string(ProcessId()))) {
    std::error_code ec;
    fs::remove_all(FPath, ec);
    fs::create_directories(FPath);
  }
  ~TScratch() {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(FPath, ec))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  const fs::path& Path() const { return FPath; }

private:
  fs::path FPath;
};

}  // namespace sztest
