#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "demo/DynamicArray.h"
#include "demo/ModuleKestrune.h"
#include "tests/AllocationCounter.h"
#include "tests/ExpectedCalls.h"
#include "tests/TestPlatform.h"

namespace {

using ModuleKestrune::Constants;

TEST(Main, ShippedRunCallsThePlatformInOrder) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'h', 'i', '\r', 'x'};
  ModuleKestrune::Main();
  EXPECT_EQ(record.calls, Then(CallsUntilTheWait, {
                                                      "GetStdHandle -10",
                                                      "ReadConsoleA input buffer=\\x0 1 count=0 null",
                                                      "GetStdHandle -10",
                                                      "ReadConsoleA input buffer=h 1 count=0 null",
                                                      "GetStdHandle -10",
                                                      "ReadConsoleA input buffer=i 1 count=0 null",
                                                      "FreeConsole",
                                                  }));
  EXPECT_EQ(record.input.size(), 1u) << "nothing is read after the carriage return";
}

TEST(Main, WaitGoesOnThroughReadsThatDeliverNothing) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {TestPlatform::NothingDelivered, TestPlatform::NothingDelivered, '\r'};
  ModuleKestrune::Main();
  EXPECT_TRUE(record.input.empty());
  EXPECT_EQ(record.calls.back(), "FreeConsole");
}

TEST(Main, EndedInputEndsTheWait) {
  TestPlatform::Record& record = TestPlatform::Reset();
  ModuleKestrune::Main();
  ASSERT_GE(record.calls.size(), 2u);
  EXPECT_EQ(record.calls[record.calls.size() - 2], "ReadConsoleA input buffer=\\x0 1 count=0 null");
  EXPECT_EQ(record.calls.back(), "FreeConsole");
}

// No output shows these two steps: the element's storage stays the array's
// for the whole copy, and the array is freed after its line, before the wait.
TEST(Main, CopiesFromTheArrayWhileItIsHeldAndFreesItBeforeTheWait) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'\r'};
  std::uint64_t array = 0;
  Calls seen;
  seen.reserve(16);
  record.duringCall = [&](const std::string& call) {
    if (record.moveSources.size() < 3) return;
    if (array == 0) array = LiveBlockHolding(record.moveSources[2]);
    seen.push_back(call.substr(0, call.find(' ')) + (BlockIsLive(array) ? " array" : " freed"));
  };
  ModuleKestrune::Main();
  record.duringCall = nullptr;
  EXPECT_EQ(seen, (Calls{"RtlMoveMemory array", "GetStdHandle array", "WriteConsoleA array", "GetStdHandle freed",
                         "ReadConsoleA freed", "FreeConsole freed"}));
}

// The shipped steps driven into each of their failures: the error leaves Main
// at once, frees what Main holds and leaves the console allocated.
struct Failure {
  const char* name;
  std::function<void()> expectError;  // runs Main, expecting the error
  std::size_t writes;                 // lines written before the failure
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class MainFailure : public testing::TestWithParam<Failure> {};

TEST_P(MainFailure, LeavesThroughTheCleanUp) {
  const Failure& failure = GetParam();
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'\r'};
  std::ptrdiff_t before = LiveAllocations();
  failure.expectError();
  auto writes = std::count_if(record.calls.begin(), record.calls.end(),
                              [](const std::string& call) { return call.starts_with("WriteConsoleA"); });
  auto frees = std::count(record.calls.begin(), record.calls.end(), "FreeConsole");
  // What the fakes recorded is the test's, not Main's.
  Calls().swap(record.calls);
  Calls().swap(record.lookups);
  std::vector<const void*>().swap(record.moveSources);
  EXPECT_EQ(LiveAllocations(), before) << "Main left storage behind";
  EXPECT_EQ(writes, static_cast<std::ptrdiff_t>(failure.writes));
  EXPECT_EQ(frees, 0);
  EXPECT_EQ(record.input.size(), 1u) << "the wait never began";
}

template <typename Error>
std::function<void()> Raises(Constants constants) {
  return [constants] { EXPECT_THROW(ModuleKestrune::Main(constants), Error); };
}

const Constants OffsetOverflows{45, 90, 0, 1000, 999, 32767};
const Constants FillPastUpperBound{45, 90, 0, 1000, 1001, 1234};
const Constants StepOverflows{45, 90, 32760, 32767, 32767, 0};
const Constants UpperBelowLower{45, 90, 10, 9, 999, 1234};

INSTANTIATE_TEST_SUITE_P(Errors, MainFailure,
                         testing::Values(Failure{"OffsetOverflows", Raises<OverflowError>(OffsetOverflows), 2},
                                         Failure{"FillPastUpperBound", Raises<IndexOutOfRangeError>(FillPastUpperBound),
                                                 2},
                                         Failure{"StepOverflows", Raises<OverflowError>(StepOverflows), 2},
                                         Failure{"UpperBelowLower", Raises<IndexOutOfRangeError>(UpperBelowLower), 2}),
                         [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

}  // namespace
