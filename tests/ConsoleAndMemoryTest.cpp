#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ConsoleAndMemory.h"
#include "tests/ExpectedCalls.h"
#include "tests/TestPlatform.h"

namespace {

TEST(CopyBytes, ChangesExactlyTheBytesAsked) {
  TestPlatform::Reset();
  unsigned char destination[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  const unsigned char source[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  CopyBytes(destination + 2, source + 2, 2);
  const unsigned char expected[6] = {0xEE, 0xEE, 0x33, 0x44, 0xEE, 0xEE};
  EXPECT_EQ(std::memcmp(destination, expected, sizeof expected), 0);
  EXPECT_EQ(TestPlatform::Current().calls, Calls{"RtlMoveMemory 2 source=33 44"});
}

TEST(WriteLine, FetchesTheHandleThenWritesTheTextUnchanged) {
  TestPlatform::Reset();
  WriteLine(u"a: 45, b: 45\r\n");
  EXPECT_EQ(TestPlatform::Current().calls,
            (Calls{"GetStdHandle -11", "WriteConsoleA output \"a: 45, b: 45\\r\\n\" 14 count=0 null"}));
}

TEST(WriteLine, PassesTheLengthOfTheSingleByteCopy) {
  TestPlatform::Reset();
  // "é" is one byte, the surrogate pair two UTF-16 units but one "?".
  WriteLine(u"\u00e9\U0001F600!");
  EXPECT_EQ(TestPlatform::Current().calls[1], "WriteConsoleA output \"\\x233?!\" 3 count=0 null");
}

TEST(WriteLine, WritesTextsLongerThanTheInlineRoom) {
  TestPlatform::Reset();
  Text line;
  for (int at = 0; at < 100; ++at) line.Append(static_cast<char16_t>(u'a' + at % 26));
  WriteLine(line);
  const std::string& call = TestPlatform::Current().calls[1];
  EXPECT_NE(call.find(" 100 count=0"), std::string::npos) << call;
  EXPECT_NE(call.find("\"abcdefghijklmnopqrstuvwxyzabcd"), std::string::npos) << call;
}

TEST(ReadKey, OffersThePreviousCharacterAndTakesTheNext) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'x', '\r'};
  FixedText<1> key;
  EXPECT_TRUE(ReadKey(key));
  EXPECT_EQ(key, FixedText<1>(u"x"));
  EXPECT_TRUE(ReadKey(key));
  EXPECT_EQ(key, FixedText<1>(u"\r"));
  EXPECT_EQ(record.calls, (Calls{"GetStdHandle -10", "ReadConsoleA input buffer=\\x0 1 count=0 null",
                                 "GetStdHandle -10", "ReadConsoleA input buffer=x 1 count=0 null"}));
}

TEST(ReadKey, ReadThatDeliversNothingLeavesTheKey) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'q', TestPlatform::NothingDelivered};
  FixedText<1> key;
  ReadKey(key);
  EXPECT_TRUE(ReadKey(key));
  EXPECT_EQ(key, FixedText<1>(u"q"));
}

TEST(ReadKey, EndedInputSaysSoAndLeavesTheKey) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {'z'};
  FixedText<1> key;
  EXPECT_TRUE(ReadKey(key));
  EXPECT_FALSE(ReadKey(key));
  EXPECT_EQ(key, FixedText<1>(u"z"));
}

TEST(ReadKey, BytesAboveAsciiComeBackAsTheSameCharacter) {
  TestPlatform::Record& record = TestPlatform::Reset();
  record.input = {0xE9, 0xE9};
  FixedText<1> key;
  ReadKey(key);
  EXPECT_EQ(key, FixedText<1>(u"\u00e9"));
  ReadKey(key);
  EXPECT_EQ(record.calls.back(), "ReadConsoleA input buffer=\\x233 1 count=0 null");
}

}  // namespace
