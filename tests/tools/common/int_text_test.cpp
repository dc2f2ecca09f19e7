// The integer edits' rule: a whole, optionally signed number that fits an int, blanks around it.
#include <gtest/gtest.h>

#include "tools/common/int_text.h"

namespace kaviro {
namespace {

TEST(IntText, WholeFieldsThatFitAnInt) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"502", 502},
      {"  17 ", 17},
      {"+7", 7},
      {"-3", -3},
      {"0007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"０８０８０", 8080},  // full-width digits, as every typed number takes them
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-", std::nullopt},
      {"50x", std::nullopt},
      {"1.0", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntText(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace kaviro
