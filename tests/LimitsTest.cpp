// The built program under the limits a system can set on it: a file size it
// may not write past, memory that runs out, a report nobody reads. Every
// failure is a lost write or a clear error with status 1, never a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/Child.h"

namespace {

const std::string Program = KESTRUNE_EXECUTABLE;

// The program run by a shell that first sets `limit` (ulimit's words).
std::vector<std::string> Limited(const std::string& limit, const std::string& program = Program) {
  std::vector<std::string> command = {"/bin/sh", "-c", "ulimit " + limit + " && exec \"$@\"", "sh"};
  for (const std::string& word : Built(program)) command.push_back(word);
  return command;
}

TEST(Limits, WritesPastTheFileSizeLimitAreLostAndTheRunEndsWell) {
  int input = InputFile("\r");
  int output = OutputFile();
  Pipe errors;
  Child run = Child::WithStreams(Limited("-f 0"), input, output, errors.write);
  errors.CloseWrite();
  EXPECT_EQ(ReadAll(errors.read), "");
  EXPECT_EQ(run.Wait(), 0) << "a write past the limit ended the run";
  EXPECT_EQ(lseek(input, 0, SEEK_CUR), 1) << "the wait did not read its Enter";
  struct stat written;
  fstat(output, &written);
  EXPECT_EQ(written.st_size, 0);
  for (int descriptor : {input, output}) close(descriptor);
}

// With no library beside it, the run fails before it has a console.
TEST(Limits, AnErrorThatNobodyCanReadStillEndsWithStatusOne) {
  std::string folder = TemporaryFolder();
  std::string alone = folder + "/Kestrune";
  CopyFile(Program, alone);
  Pipe closedPipe;
  closedPipe.CloseRead();
  int fullFile = OutputFile();
  struct Case {
    const char* name;
    std::vector<std::string> command;
    int errors;
  } cases[] = {
      {"closed pipe", Built(alone), closedPipe.write},
      {"file at its size limit", Limited("-f 0", alone), fullFile},
  };
  for (const Case& c : cases) {
    Child run = Child::WithStreams(c.command, Child::Inherited, Child::Inherited, c.errors);
    EXPECT_EQ(run.Wait(), 1) << c.name;
  }
  close(fullFile);
  unlink(alone.c_str());
  rmdir(folder.c_str());
}

// Under the sanitizers their own allocator is what runs out, and under an
// emulator the emulator; neither is the program.
#if !defined(PROGRAM_SANITIZED) && !defined(PROGRAM_EMULATOR)
// Memory limited ever more tightly: somewhere the program cannot even raise
// its error. Below some limit the system's loader gives up before the
// program starts; that is the loader's to say.
TEST(Limits, MemoryRunningOutIsAnErrorNeverAnAbort) {
  int failures = 0;
  for (int kibibytes = 100; kibibytes <= 400; kibibytes += 10) {
    int input = InputFile("\r");
    int output = open("/dev/null", O_WRONLY | O_CLOEXEC);
    Pipe errors;
    Child run = Child::WithStreams(Limited("-d " + std::to_string(kibibytes)), input, output, errors.write);
    errors.CloseWrite();
    std::string said = ReadAll(errors.read);
    int status = run.Wait();
    for (int descriptor : {input, output}) close(descriptor);
    if (status == 127) continue;  // the loader's
    EXPECT_TRUE(status == 0 || (status == 1 && said == "Kestrune: out of memory\n"))
        << kibibytes << " KiB: status " << status << ", " << said;
    if (status == 1) ++failures;
  }
  EXPECT_GT(failures, 0) << "no limit made the program run out of memory";
}
#endif

}  // namespace
