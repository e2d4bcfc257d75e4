// The POSIX Kernel32 library on its own, for what the program cannot show:
// interrupted reads, reads of more than one character, handles outside the
// console's life, overlapping moves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/Kernel32.h"

using Kernel32::BOOL;
using Kernel32::DWORD;
using Kernel32::HANDLE;

extern "C" {
BOOL AllocConsole();
BOOL FreeConsole();
HANDLE GetStdHandle(DWORD selector);
BOOL WriteConsoleA(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved);
BOOL ReadConsoleA(HANDLE console, void* buffer, DWORD length, DWORD* read, void* control);
void RtlMoveMemory(void* destination, const void* source, Kernel32::SIZE_T count);
}

namespace {

// The test's standard input and output replaced by pipes, and a console
// allocated over them.
class StandIn : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(input_), 0);
    ASSERT_EQ(pipe(output_), 0);
    savedInput_ = dup(STDIN_FILENO);
    savedOutput_ = dup(STDOUT_FILENO);
    dup2(input_[0], STDIN_FILENO);
    dup2(output_[1], STDOUT_FILENO);
    ASSERT_TRUE(AllocConsole());
  }
  void TearDown() override {
    FreeConsole();
    dup2(savedInput_, STDIN_FILENO);
    dup2(savedOutput_, STDOUT_FILENO);
    for (int descriptor : {input_[0], input_[1], output_[0], output_[1], savedInput_, savedOutput_}) close(descriptor);
  }

  void Type(const std::string& keys) { ASSERT_EQ(write(input_[1], keys.data(), keys.size()), ssize_t(keys.size())); }

  // What successive reads of `length` deliver, until one delivers nothing.
  std::string Reads(DWORD length, int reads) {
    std::string delivered;
    for (int at = 0; at < reads; ++at) {
      char buffer[4] = {};
      DWORD count = 99;
      EXPECT_TRUE(ReadConsoleA(GetStdHandle(Kernel32::STD_INPUT_HANDLE), buffer, length, &count, nullptr));
      delivered.append(buffer, count);
      delivered += '|';
    }
    return delivered;
  }

  int input_[2], output_[2];
  int savedInput_, savedOutput_;
};

TEST_F(StandIn, EnterArrivesAsACarriageReturnWhateverTheTerminalSends) {
  struct Case {
    const char* typed;
    DWORD length;
    const char* delivered;  // each read's characters, then "|"
  } cases[] = {
      {"a\n", 1, "a|\r|\n|"},  // a line feed alone: "\r" then "\n"
      {"a\n", 2, "a|\r\n|"},   // both at once where there is room
      {"\r\n", 1, "\r|\n|"},   // a line feed after a carriage return is itself
      {"\n\n", 1, "\r|\n|\r|\n|"},
  };
  for (const Case& c : cases) {
    Type(c.typed);
    int reads = 0;
    for (const char* at = c.delivered; *at != '\0'; ++at) reads += *at == '|';
    EXPECT_EQ(Reads(c.length, reads), c.delivered) << c.typed;
  }
}

void Ignore(int) {}

TEST_F(StandIn, InterruptedReadSucceedsWithNothingAndLeavesTheBuffer) {
  struct sigaction alarm = {};
  alarm.sa_handler = Ignore;  // no SA_RESTART: the read is interrupted
  struct sigaction previous;
  sigaction(SIGALRM, &alarm, &previous);
  itimerval once = {{0, 0}, {0, 50000}};
  setitimer(ITIMER_REAL, &once, nullptr);
  char buffer[1] = {'k'};
  DWORD count = 99;
  EXPECT_TRUE(ReadConsoleA(GetStdHandle(Kernel32::STD_INPUT_HANDLE), buffer, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer[0], 'k');
  sigaction(SIGALRM, &previous, nullptr);
}

TEST_F(StandIn, EndOfInputFails) {
  close(input_[1]);
  input_[1] = -1;
  char buffer[1] = {'k'};
  DWORD count = 99;
  EXPECT_FALSE(ReadConsoleA(GetStdHandle(Kernel32::STD_INPUT_HANDLE), buffer, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer[0], 'k');
}

TEST_F(StandIn, WritesEveryByteAndCountsThem) {
  DWORD written = 99;
  EXPECT_TRUE(WriteConsoleA(GetStdHandle(Kernel32::STD_OUTPUT_HANDLE), "b: 1234\r\n", 9, &written, nullptr));
  EXPECT_EQ(written, 9u);
  char bytes[16];
  EXPECT_EQ(read(output_[0], bytes, sizeof bytes), 9);
  EXPECT_EQ(std::string(bytes, 9), "b: 1234\r\n");
}

TEST_F(StandIn, HandlesWorkOnlyForTheirOwnStreamWhileTheConsoleLasts) {
  char buffer[1] = {'k'};
  DWORD count = 99;
  HANDLE output = GetStdHandle(Kernel32::STD_OUTPUT_HANDLE);
  EXPECT_FALSE(ReadConsoleA(output, buffer, 1, &count, nullptr)) << "output is not input";
  EXPECT_FALSE(WriteConsoleA(GetStdHandle(Kernel32::STD_INPUT_HANDLE), "x", 1, &count, nullptr));
  EXPECT_FALSE(WriteConsoleA(GetStdHandle(static_cast<DWORD>(-12)), "x", 1, &count, nullptr)) << "no such selector";
  EXPECT_FALSE(AllocConsole()) << "one console at a time";
  ASSERT_TRUE(FreeConsole());
  EXPECT_FALSE(WriteConsoleA(output, "x", 1, &count, nullptr)) << "a handle outlived its console";
  EXPECT_FALSE(WriteConsoleA(GetStdHandle(Kernel32::STD_OUTPUT_HANDLE), "x", 1, &count, nullptr));
  EXPECT_FALSE(FreeConsole());
  ASSERT_TRUE(AllocConsole());
}

TEST(StandInMemory, MovesExactlyTheBytesAskedOverlappingOrNot) {
  struct Case {
    int destination, source, count;
    const char* after;
  } cases[] = {{0, 4, 2, "efcdefgh"},
               {2, 0, 4, "ababcdgh"},
               {0, 2, 4, "cdefefgh"},
               {3, 3, 2, "abcdefgh"},
               {0, 0, 0, "abcdefgh"}};
  for (const Case& c : cases) {
    char bytes[] = "abcdefgh";
    RtlMoveMemory(bytes + c.destination, bytes + c.source, static_cast<Kernel32::SIZE_T>(c.count));
    EXPECT_STREQ(bytes, c.after) << c.destination << " " << c.source << " " << c.count;
  }
}

}  // namespace
