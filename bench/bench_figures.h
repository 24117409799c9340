#pragma once
// What every benchmark prints and how it makes sure the two sides did the
// same work. A figure is the median of at least MinPairs ratios, each from one
// pair of runs (A and B, in turn A first and B first), after a warm-up pair
// that is not counted: on a shared machine single runs stray by a factor of
// two either way.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace bench {

inline constexpr int MinPairs = 7;

// Prints "bench NAME: M UNIT (min A, max B, N pairs; goal GOAL)".
inline void PrintFigure(const char* name, std::vector<double> values, const char* unit, const char* counted,
                        const char* goal, const char* note = "") {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  if (n == 0) return;
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  std::printf("bench %s: %.2f %s (min %.2f, max %.2f, %zu %s; goal %s)%s\n", name, median, unit, values.front(),
              values.back(), n, counted, goal, note);
  std::fflush(stdout);
}

// Relative path -> size (-1 for a folder) of everything below `root`, but the
// top-level entry `skip`.
inline std::map<std::filesystem::path, long long> TreeOf(const std::filesystem::path& root,
                                                         const std::filesystem::path& skip = {}) {
  std::map<std::filesystem::path, long long> tree;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::filesystem::path relative = it->path().lexically_relative(root);
    if (!skip.empty() && *relative.begin() == skip) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    tree[relative] = it->is_directory() ? -1 : static_cast<long long>(it->file_size());
  }
  return tree;
}

inline bool SameBytes(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> bufferX(1 << 20), bufferY(1 << 20);
  while (x && y) {
    x.read(bufferX.data(), static_cast<std::streamsize>(bufferX.size()));
    y.read(bufferY.data(), static_cast<std::streamsize>(bufferY.size()));
    if (x.gcount() != y.gcount() ||
        !std::equal(bufferX.begin(), bufferX.begin() + x.gcount(), bufferY.begin()))
      return false;
  }
  return !x && !y;
}

// Both sides wrote the same names, sizes and bytes; `why` says what differs.
inline bool SameOutput(const std::filesystem::path& a, const std::filesystem::path& b, std::string& why,
                       const std::filesystem::path& skipInA = {}) {
  const auto treeA = TreeOf(a, skipInA), treeB = TreeOf(b);
  if (treeA.empty()) {
    why = "nothing was written";
    return false;
  }
  if (treeA != treeB) {
    why = "the file lists differ (" + std::to_string(treeA.size()) + " and " + std::to_string(treeB.size()) +
          " entries)";
    return false;
  }
  for (const auto& [name, size] : treeA)
    if (size >= 0 && !SameBytes(a / name, b / name)) {
      why = "the bytes of " + name.string() + " differ";
      return false;
    }
  return true;
}

}  // namespace bench
