// The built program with its Kernel32 library, run the way a person runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "tests/Child.h"

namespace {

const std::string Program = KESTRUNE_EXECUTABLE;
const std::string Lines =
    "a: 45, b: 45\r\n"
    "a: 90, b: 90\r\n"
    "b: 1234\r\n";

// Nor any input processing: Enter arrives as the "\r" it is.
void RawInputAndOutput(int terminal) {
  RawOutput(terminal);
  termios settings;
  tcgetattr(terminal, &settings);
  settings.c_iflag &= ~static_cast<tcflag_t>(ICRNL);
  settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  tcsetattr(terminal, TCSANOW, &settings);
}

// A terminal whose reads return at once, with nothing when nothing was typed.
void ReadsThatDoNotWait(int terminal) {
  RawOutput(terminal);
  termios settings;
  tcgetattr(terminal, &settings);
  settings.c_lflag &= ~static_cast<tcflag_t>(ICANON);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  tcsetattr(terminal, TCSANOW, &settings);
}

TEST(Console, ShowsTheThreeLinesThenWaits) {
  Child run = Child::InTerminal(Built(Program), RawOutput);
  EXPECT_EQ(run.ReadUntil(Lines), Lines);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(run.Running()) << "it stopped without waiting for Enter";
  EXPECT_EQ(run.ReadUntil("more", std::chrono::milliseconds(100)), Lines) << "it wrote more before any key";
  run.Type("\r");
  EXPECT_EQ(run.Wait(), 0);
}

struct Ending {
  const char* name;
  void (*terminal)(int);
  const char* typedFirst;  // keys that must not end the wait
  const char* enter;       // the key that does
  const char* echo;        // what the terminal itself shows of them all
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

class ConsoleWait : public testing::TestWithParam<Ending> {};

TEST_P(ConsoleWait, EndsWithStatusZeroAndWritesNothingMore) {
  const Ending& ending = GetParam();
  Child run = Child::InTerminal(Built(Program), ending.terminal);
  ASSERT_EQ(run.ReadUntil(Lines), Lines);
  run.Type(ending.typedFirst);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(run.Running()) << "the wait ended before Enter";
  run.Type(ending.enter);
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_EQ(run.ReadUntil("more", std::chrono::milliseconds(100)), Lines + ending.echo);
}

INSTANTIATE_TEST_SUITE_P(Keys, ConsoleWait,
                         testing::Values(Ending{"EnterOnAnEmptyLine", RawOutput, "", "\r", "\n"},
                                         Ending{"TypedCharactersAreDropped", RawOutput, "abc", "\r", "abc\n"},
                                         Ending{"LineFeedIsEnter", RawOutput, "x", "\n", "x\n"},
                                         Ending{"CarriageReturnFromARawTerminal", RawInputAndOutput, "ab", "\r", ""},
                                         Ending{"EndOfInput", RawOutput, "", "\x04", ""},
                                         Ending{"ReadsThatDoNotWait", ReadsThatDoNotWait, "ab", "\r", "ab\n"}),
                         [](const testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST(ConsoleStreams, InputThatIsEmptyEndsTheWaitAtOnce) {
  int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  Pipe output, errors;
  Child run = Child::WithStreams(Built(Program), input, output.write, errors.write);
  output.CloseWrite();
  errors.CloseWrite();
  EXPECT_EQ(ReadAll(output.read), Lines);
  EXPECT_EQ(ReadAll(errors.read), "");
  EXPECT_EQ(run.Wait(std::chrono::seconds(2)), 0);
  close(input);
}

TEST(ConsoleStreams, ReadsNothingAfterTheCarriageReturn) {
  struct Case {
    const char* input;
    off_t taken;
  } cases[] = {{"\rleft for the next reader", 1}, {"ab\rcd\r", 3}, {"ab\nleft", 3}, {"\r\n", 1}};
  for (const Case& c : cases) {
    int input = InputFile(c.input);
    int output = open("/dev/null", O_WRONLY | O_CLOEXEC);
    Child run = Child::WithStreams(Built(Program), input, output, Child::Inherited);
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(lseek(input, 0, SEEK_CUR), c.taken) << c.input;
    close(input);
    close(output);
  }
}

// A write that fails loses its line; the run goes on to the wait and ends well.
TEST(ConsoleStreams, FailedWritesAreLostAndTheRunEndsWell) {
  Pipe closedPipe;
  closedPipe.CloseRead();
  int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  struct Case {
    const char* name;
    int output;
  } cases[] = {{"full disk", full}, {"closed pipe", closedPipe.write}, {"closed descriptor", Child::Closed}};
  for (const Case& c : cases) {
    int input = InputFile("\r");
    Pipe errors;
    Child run = Child::WithStreams(Built(Program), input, c.output, errors.write);
    errors.CloseWrite();
    EXPECT_EQ(ReadAll(errors.read), "") << c.name;
    EXPECT_EQ(run.Wait(), 0) << c.name;
    EXPECT_EQ(lseek(input, 0, SEEK_CUR), 1) << c.name << ": the wait did not read its Enter";
    close(input);
  }
  close(full);
}

}  // namespace
