// Every verb's failure table: the tool's own texts on stderr, the documented status, and nothing
// left in the working directory but config.txt (no half-written export).
#include "cli_fixture.h"

namespace kaviro::testing {
namespace {

TEST_P(CliFailures, EndWithTheDialogsTextAndStatus) {
  const CliFailure& f = GetParam();
  SimLink link;
  ASSERT_TRUE(link.Start(f.mode, f.faults)) << link.sim().output();
  if (f.simGone) link.sim().Stop();
  TempDir dir;
  const ChildResult r = CliOn(dir, link, f.args);
  ASSERT_TRUE(r.exited) << r;
  EXPECT_EQ(r.code, f.status) << r;
  EXPECT_EQ(r.err, f.err);
  if (f.out) {
    EXPECT_EQ(r.out, f.out);
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename(), "config.txt");
}

}  // namespace
}  // namespace kaviro::testing
