// The POSIX Kernel32 library on its own, for what the program cannot show:
// interrupted reads, reads of more than one character, handles outside the
// console's life, overlapping moves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

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
    auto reads = static_cast<int>(std::count(c.delivered, c.delivered + std::strlen(c.delivered), '|'));
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

// The output pipe made to hold back, and the bytes that the test's reader
// takes out of it once a moment has passed.
class HeldBackOutput : public StandIn {
 protected:
  void TearDown() override {
    if (reader_.joinable()) reader_.join();
    fcntl(output_[1], F_SETFL, fcntl(output_[1], F_GETFL) & ~O_NONBLOCK);
    StandIn::TearDown();
  }

  // Puts `bytes` into the pipe, or as many as it holds when that is 0.
  std::string Fill(size_t bytes) {
    int flags = fcntl(output_[1], F_GETFL);
    fcntl(output_[1], F_SETFL, flags | O_NONBLOCK);
    std::string filled;
    const std::string block(4096, 'f');
    while (bytes == 0 || filled.size() < bytes) {
      size_t wanted = bytes == 0 ? block.size() : std::min(block.size(), bytes - filled.size());
      ssize_t count = write(output_[1], block.data(), wanted);
      if (count <= 0) break;
      filled.append(block, 0, static_cast<size_t>(count));
    }
    fcntl(output_[1], F_SETFL, flags);
    return filled;
  }

  void ReadAfter(std::chrono::milliseconds pause, size_t total) {
    reader_ = std::thread([this, pause, total] {
      std::this_thread::sleep_for(pause);
      char bytes[4096];
      while (read_.size() < total) {
        ssize_t count = read(output_[0], bytes, sizeof bytes);
        if (count <= 0) break;
        read_.append(bytes, static_cast<size_t>(count));
      }
    });
  }

  std::thread reader_;
  std::string read_;
};

TEST_F(HeldBackOutput, WritesEveryByteHoweverTheOutputHoldsBack) {
  struct Case {
    const char* name;
    size_t length;     // of the text written
    size_t before;     // bytes in the pipe already; 0 fills it
    bool nonBlocking;  // the output does not wait by itself
    bool interrupted;  // a signal without SA_RESTART arrives mid-write
  } cases[] = {
      {"non-blocking and full", 9, 0, true, false},
      {"interrupted by a signal", 9, 0, false, true},
      {"larger than the room left", 20000, 60000, false, false},
  };
  for (const Case& c : cases) {
    read_.clear();
    std::string before = Fill(c.before);
    if (c.nonBlocking) fcntl(output_[1], F_SETFL, fcntl(output_[1], F_GETFL) | O_NONBLOCK);
    struct sigaction alarm = {}, previous;
    alarm.sa_handler = Ignore;
    sigaction(SIGALRM, &alarm, &previous);
    if (c.interrupted) {
      itimerval once = {{0, 0}, {0, 20000}};
      setitimer(ITIMER_REAL, &once, nullptr);
    }
    std::string text(c.length, 't');
    ReadAfter(std::chrono::milliseconds(100), before.size() + text.size());
    DWORD written = 99;
    EXPECT_TRUE(
        WriteConsoleA(GetStdHandle(Kernel32::STD_OUTPUT_HANDLE), text.data(), DWORD(text.size()), &written, nullptr))
        << c.name;
    EXPECT_EQ(written, text.size()) << c.name;
    reader_.join();
    EXPECT_EQ(read_, before + text) << c.name;
    sigaction(SIGALRM, &previous, nullptr);
    fcntl(output_[1], F_SETFL, fcntl(output_[1], F_GETFL) & ~O_NONBLOCK);
  }
}

// Where poll cannot wait (it refuses more descriptors than the process may
// open), a read has nothing more to give and a write is lost; neither retries.
TEST_F(HeldBackOutput, PollThatFailsEndsTheCallInsteadOfSpinning) {
  Fill(0);
  for (int descriptor : {input_[0], output_[1]}) fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) | O_NONBLOCK);
  signal(SIGALRM, SIG_DFL);
  alarm(10);  // a spin ends the test here
  rlimit limit, none = {0, 0};
  getrlimit(RLIMIT_NOFILE, &limit);
  none.rlim_max = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &none);
  char buffer[1] = {'k'};
  DWORD count = 99;
  BOOL read = ReadConsoleA(GetStdHandle(Kernel32::STD_INPUT_HANDLE), buffer, 1, &count, nullptr);
  BOOL wrote = WriteConsoleA(GetStdHandle(Kernel32::STD_OUTPUT_HANDLE), "x", 1, &count, nullptr);
  setrlimit(RLIMIT_NOFILE, &limit);
  alarm(0);
  EXPECT_FALSE(read);
  EXPECT_EQ(buffer[0], 'k');
  EXPECT_FALSE(wrote);
  EXPECT_EQ(count, 0u);
  for (int descriptor : {input_[0], output_[1]}) fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
}

// What a console changes lasts only while it does.
TEST_F(StandIn, FreeConsoleRestoresSignalsAndForgetsAPendingLineFeed) {
  ASSERT_TRUE(FreeConsole());
  struct sigaction own = {}, before[2];
  own.sa_handler = Ignore;
  const int signals[] = {SIGPIPE, SIGXFSZ};
  for (int at = 0; at < 2; ++at) sigaction(signals[at], &own, &before[at]);

  ASSERT_TRUE(AllocConsole());
  for (int number : signals) {
    struct sigaction now;
    sigaction(number, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN) << strsignal(number) << " while the console is allocated";
  }
  Type("\n");
  EXPECT_EQ(Reads(1, 1), "\r|") << "the line feed is still pending";
  ASSERT_TRUE(FreeConsole());
  for (int number : signals) {
    struct sigaction now;
    sigaction(number, nullptr, &now);
    EXPECT_EQ(now.sa_handler, &Ignore) << strsignal(number) << " after FreeConsole";
  }

  ASSERT_TRUE(AllocConsole());
  Type("z");
  EXPECT_EQ(Reads(1, 1), "z|") << "a line feed from the last console was delivered";
  for (int at = 0; at < 2; ++at) sigaction(signals[at], &before[at], nullptr);
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
