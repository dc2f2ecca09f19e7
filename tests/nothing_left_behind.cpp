// Linked into every test program: the run fails when the process leaves anything of its own in
// the temp directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include "scratch.h"

namespace kaviro::testing {
namespace {

class NothingLeftBehind final : public ::testing::Environment {
 public:
  void TearDown() override {
    for (const ScratchEntry& e : ScratchEntries())
      if (e.owner == ::getpid()) ADD_FAILURE() << "left behind: " << e.path;
  }
};

[[maybe_unused]] ::testing::Environment* const kRegistered = ::testing::AddGlobalTestEnvironment(new NothingLeftBehind);

}  // namespace
}  // namespace kaviro::testing
