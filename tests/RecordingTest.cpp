// The built program beside a Kernel32 library that logs what it is asked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/Child.h"
#include "tests/ExpectedCalls.h"

namespace {

// A folder holding a copy of the program and, unless none is given, `library`
// as its libKernel32.so.
class RecordedRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = TemporaryFolder(); }
  void TearDown() override {
    for (const char* file : {"/Kestrune", "/libKernel32.so", "/record"}) unlink((folder_ + file).c_str());
    rmdir(folder_.c_str());
  }

  // Runs the copy with `input` as the characters its reads deliver.
  int Run(const char* library, const std::string& input) {
    CopyFile(KESTRUNE_EXECUTABLE, folder_ + "/Kestrune");
    if (library != nullptr) CopyFile(library, folder_ + "/libKernel32.so");
    setenv("KERNEL32_RECORD", (folder_ + "/record").c_str(), 1);
    setenv("KERNEL32_INPUT", input.c_str(), 1);
    Pipe errors;
    Child run = Child::WithStreams(Built(folder_ + "/Kestrune"), Child::Inherited, Child::Inherited, errors.write);
    errors.CloseWrite();
    errors_ = ReadAll(errors.read);
    unsetenv("KERNEL32_RECORD");
    unsetenv("KERNEL32_INPUT");
    return run.Wait();
  }

  Calls Recorded() const {
    Calls calls;
    std::istringstream lines(FileText(folder_ + "/record"));
    for (std::string line; std::getline(lines, line);) calls.push_back(line);
    return calls;
  }

  std::string folder_;
  std::string errors_;
};

TEST_F(RecordedRun, CallsEachEntryPointAsDeclared) {
  EXPECT_EQ(Run(RECORDING_LIBRARY, "k\r"), 0);
  EXPECT_EQ(Recorded(), Then(CallsUntilTheWait, {
                                                    "GetStdHandle -10",
                                                    "ReadConsoleA input buffer=\\x0 1 count=0 null",
                                                    "GetStdHandle -10",
                                                    "ReadConsoleA input buffer=k 1 count=0 null",
                                                    "FreeConsole",
                                                }));
  EXPECT_EQ(errors_, "");
}

TEST_F(RecordedRun, InputThatEndsReleasesTheConsole) {
  EXPECT_EQ(Run(RECORDING_LIBRARY, ""), 0);
  EXPECT_EQ(Recorded(), Then(CallsUntilTheWait, {
                                                    "GetStdHandle -10",
                                                    "ReadConsoleA input buffer=\\x0 1 count=0 null",
                                                    "FreeConsole",
                                                }));
}

TEST_F(RecordedRun, MissingEntryPointIsNamedAndEndsTheRun) {
  EXPECT_EQ(Run(RECORDING_LIBRARY_WITHOUT_READ_CONSOLE, "\r"), 1);
  EXPECT_EQ(Recorded(), Then(CallsUntilTheWait, {"GetStdHandle -10"})) << "FreeConsole must not follow an error";
  EXPECT_EQ(errors_,
            "Kestrune: cannot bind ReadConsoleA: " + folder_ + "/libKernel32.so has no entry point of that name\n");
}

// What may stand where the library should be: each is named, with the file
// tried and the reason, and ends the run at once with status 1.
TEST_F(RecordedRun, LibraryThatCannotBeLoadedIsNamedWithTheReason) {
  struct Case {
    const char* name;
    void (*place)(const std::string& library);
    const char* reason;
  } cases[] = {
      {"missing", [](const std::string&) {}, "No such file or directory"},
      // Even where the loader's search path holds one: only the folder counts.
      {"only on LD_LIBRARY_PATH",
       [](const std::string& library) {
         std::string elsewhere = library.substr(0, library.rfind('/')) + "/elsewhere";
         mkdir(elsewhere.c_str(), 0755);
         CopyFile(RECORDING_LIBRARY, elsewhere + "/libKernel32.so");
         setenv("LD_LIBRARY_PATH", elsewhere.c_str(), 1);
       },
       "No such file or directory"},
      {"a FIFO, which would never open", [](const std::string& library) { mkfifo(library.c_str(), 0644); },
       "not a regular file"},
      {"a folder", [](const std::string& library) { mkdir(library.c_str(), 0755); }, "not a regular file"},
      {"not a shared object",
       [](const std::string& library) {
         int file = open(library.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
         std::string text = "This is a text file, not a library, and long enough for a header.";
         EXPECT_EQ(write(file, text.data(), text.size()), static_cast<ssize_t>(text.size()));
         close(file);
       },
       "invalid ELF header"},
  };
  for (const Case& c : cases) {
    std::string library = folder_ + "/libKernel32.so";
    c.place(library);
    EXPECT_EQ(Run(nullptr, "\r"), 1) << c.name;
    EXPECT_EQ(Recorded(), Calls{}) << c.name;
    EXPECT_EQ(errors_, "Kestrune: cannot load " + library + ": " + c.reason + "\n") << c.name;
    unsetenv("LD_LIBRARY_PATH");
    unlink(library.c_str());
    rmdir(library.c_str());
    unlink((folder_ + "/elsewhere/libKernel32.so").c_str());
    rmdir((folder_ + "/elsewhere").c_str());
  }
}

}  // namespace
