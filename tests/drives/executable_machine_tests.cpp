// The processor read from programs that make_programs.sh builds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/byte_source.h"
#include "drives/executable_machine.h"

TEST(ExecutableMachine, ReadFromRealPrograms) {
  const char* dir = std::getenv("MACHINE_PROGRAMS");
  ASSERT_TRUE(dir && *dir) << "MACHINE_PROGRAMS is not set";
  const std::pair<const char*, TExecutableMachine> cases[] = {{"x86.exe", TExecutableMachine::I386},
                                                              {"x64.exe", TExecutableMachine::X64},
                                                              {"cut.exe", TExecutableMachine::Other},
                                                              {"linux", TExecutableMachine::Other}};
  for (const auto& [name, machine] : cases) {
    const auto bytes = OpenFileBytes((std::filesystem::path(dir) / name).wstring());
    ASSERT_TRUE(bytes) << name;
    EXPECT_EQ(ReadExecutableMachine(*bytes), machine) << name;
  }
}
