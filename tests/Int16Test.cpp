#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "demo/Int16.h"

namespace {

struct Sum {
  std::int16_t left, right;
  std::optional<std::int16_t> result;  // none: the sum overflows
};

class Int16Addition : public testing::TestWithParam<Sum> {};

TEST_P(Int16Addition, FitsOrRaisesOverflow) {
  const Sum& sum = GetParam();
  if (sum.result) {
    EXPECT_EQ((Int16(sum.left) + Int16(sum.right)).Value(), *sum.result);
  } else {
    EXPECT_THROW(Int16(sum.left) + Int16(sum.right), OverflowError);
  }
}

INSTANTIATE_TEST_SUITE_P(AtTheLimits, Int16Addition,
                         testing::Values(Sum{32766, 1, 32767}, Sum{32767, 1, {}}, Sum{1, 32767, {}},
                                         Sum{32767, 32767, {}}, Sum{-32767, -1, -32768}, Sum{-32768, -1, {}},
                                         Sum{-32768, 32767, -1}, Sum{-32768, -32768, {}}, Sum{999, 1234, 2233},
                                         Sum{31533, 1234, 32767}, Sum{31534, 1234, {}}));

std::string Narrow(const Text& text) { return std::string(text.Data(), text.Data() + text.Length()); }

TEST(Decimal, DigitsWithoutPaddingOrGrouping) {
  struct Case {
    std::int16_t number;
    const char* shown;
  } cases[] = {{0, "0"},         {7, "7"},         {45, "45"}, {1234, "1234"},
               {10000, "10000"}, {32767, "32767"}, {-1, "-1"}, {-32768, "-32768"}};
  for (const Case& c : cases) EXPECT_EQ(Narrow(Decimal(Int16(c.number))), c.shown) << c.number;
}

}  // namespace
