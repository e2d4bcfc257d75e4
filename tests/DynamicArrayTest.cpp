#include <gtest/gtest.h>

#include <stdexcept>

#include "demo/DynamicArray.h"

namespace {

TEST(DynamicArray, ChecksEveryIndexAgainstBothBounds) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(-5), Int16(5));
  struct Case {
    std::int16_t index;
    bool inside;
  } cases[] = {{-32768, false}, {-6, false}, {-5, true}, {0, true}, {5, true}, {6, false}, {32767, false}};
  for (const Case& c : cases) {
    if (c.inside)
      EXPECT_NO_THROW(values(Int16(c.index))) << c.index;
    else
      EXPECT_THROW(values(Int16(c.index)), IndexOutOfRangeError) << c.index;
  }
}

TEST(DynamicArray, AbsentArrayHasNoElements) {
  DynamicArray<Int16> values;
  EXPECT_THROW(values(Int16(0)), IndexOutOfRangeError);
  values.Allocate(Int16(0), Int16(3));
  values.Release();
  EXPECT_FALSE(values.Present());
  EXPECT_THROW(values(Int16(0)), IndexOutOfRangeError);
  EXPECT_NO_THROW(values.Release());
}

TEST(DynamicArray, AllocatesZeroedElementsAndReallocatesFresh) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(0), Int16(1000));
  EXPECT_EQ(values(Int16(0)), Int16(0));
  EXPECT_EQ(values(Int16(1000)), Int16(0));
  values(Int16(7)) = Int16(99);
  values.Allocate(Int16(10), Int16(12));
  EXPECT_EQ(values(Int16(10)), Int16(0));
  EXPECT_THROW(values(Int16(7)), IndexOutOfRangeError);
}

TEST(DynamicArray, WidestBoundsAreOneCountNotAnOverflow) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(-32768), Int16(32767));
  EXPECT_NO_THROW(values(Int16(-32768)));
  EXPECT_NO_THROW(values(Int16(32767)));
}

TEST(DynamicArray, UpperBelowLowerIsRefused) {
  DynamicArray<Int16> values;
  EXPECT_THROW(values.Allocate(Int16(1), Int16(0)), IndexOutOfRangeError);
  EXPECT_FALSE(values.Present());
}

TEST(HeldStorage, IsTheElementsStorage) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(0), Int16(2));
  values(Int16(1)) = Int16(1234);
  HeldStorage held(values, Int16(1));
  EXPECT_EQ(static_cast<const void*>(held), &values(Int16(1)));
}

TEST(HeldStorage, ForbidsReleaseAndReallocationWhileTaken) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(0), Int16(2));
  {
    HeldStorage held(values, Int16(0));
    EXPECT_THROW(values.Release(), ArrayHeldError);
    EXPECT_THROW(values.Allocate(Int16(0), Int16(5)), ArrayHeldError);
    EXPECT_TRUE(values.Present());
    EXPECT_NO_THROW(values(Int16(2)));
  }
  EXPECT_NO_THROW(values.Release());
}

TEST(HeldStorage, OutOfRangeTakesNoHold) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(0), Int16(2));
  EXPECT_THROW(HeldStorage(values, Int16(3)), IndexOutOfRangeError);
  EXPECT_NO_THROW(values.Release());
}

TEST(HeldStorage, IsReleasedWhenTheStatementThrows) {
  DynamicArray<Int16> values;
  values.Allocate(Int16(0), Int16(2));
  auto failingUse = [](const void*) { throw std::runtime_error("failed while held"); };
  EXPECT_THROW(failingUse(HeldStorage(values, Int16(0))), std::runtime_error);
  EXPECT_NO_THROW(values.Release());
}

}  // namespace
