#include <gtest/gtest.h>

#include "link/gbk.h"

namespace kaviro {
namespace {

TEST(Gbk, RoundTripAndReplacement) {
  EXPECT_EQ(Utf8ToGbk("报警"), "\xB1\xA8\xBE\xAF");
  EXPECT_EQ(Utf8ToGbk("2014-05-17 0x0001"), "2014-05-17 0x0001");
  EXPECT_EQ(GbkToUtf8("\xB1\xA8\xBE\xAF"), "报警");
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji has no GBK form
  EXPECT_EQ(Utf8ToGbk("电池").size(), 4u);                 // two bytes per Chinese character
}

}  // namespace
}  // namespace kaviro
