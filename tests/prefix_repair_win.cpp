// Linked into every Windows test program: what a killed test left in the
// shared prefix is put back before the first test.
#include <gtest/gtest.h>

#include "prefix_state_win.h"

namespace {

class TRepairAtStart : public ::testing::Environment {
public:
  void SetUp() override { prefixstate::RepairLeftovers(); }
};

[[maybe_unused]] ::testing::Environment* const RepairAtStart =
    ::testing::AddGlobalTestEnvironment(new TRepairAtStart);

}  // namespace
