// The Windows executables run under Wine, in a pseudo-terminal, as a person
// at their console would run them: the product (i686) and the same sources
// for x86-64, each in its normal run and on its error path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/Child.h"
#include "tests/PackagedTools.h"

namespace {

const std::string WinePrefix = WINE_PREFIX;
const char* const Wine32 = "/usr/lib/wine/wine";
const char* const Wine64 = "/usr/lib/wine/wine64";
const char* const WineServer = "/usr/lib/wine/wineserver64";

// The Kernel32 and User32 calls that the relay log shows. Everything else
// the program calls stays out of the log, which keeps emulated runs fast.
const char* const RelayInclude = "AllocConsole;FreeConsole;MessageBoxA";

// Under qemu's emulation, Wine needs the whole 32-bit address space reserved
// up front, or its fixed mappings collide with the emulator's own; a kernel
// that runs 32-bit code itself ignores this.
const char* const QemuReservedAddressSpace = "0xffff0000";

// A run of the product under emulation takes about a minute.
constexpr Child::Seconds Patience{300};

const std::string TwoLines = "a: 45, b: 45\r\na: 90, b: 90\r\n";
const std::string Lines = TwoLines + "b: 1234\r\n";

struct WindowsBuild {
  const char* name;
  std::string program;      // as shipped
  std::string overflowing;  // a test-only build whose step 6 overflows
  const char* loader;
  const char* package;  // the one that brings the loader
};

void PrintTo(const WindowsBuild& build, std::ostream* out) { *out << build.name; }

const WindowsBuild I686{"i686", WINDOWS_I686_EXECUTABLE, WINDOWS_I686_OVERFLOWING, Wine32, "wine32:i386"};
const WindowsBuild X86_64{"x86_64", WINDOWS_X86_64_EXECUTABLE, WINDOWS_X86_64_OVERFLOWING, Wine64, "wine64"};

// The terminal's text with Wine's control sequences taken out.
std::string ScreenText(const std::string& screen) {
  static const std::regex control("\x1b(\\[[0-?]*[ -/]*[@-~]|\\][^\x07\x1b]*(\x07|\x1b\\\\)|[@-Z\\\\-_])");
  return std::regex_replace(screen, control, "");
}

// The relayed calls in a log, in order, each as "dll.Entry(arguments)", with
// the addresses of the texts passed left out.
std::vector<std::string> RelayedCalls(const std::string& logPath) {
  static const std::regex call("[0-9a-f]+:Call ((KERNEL32|user32)\\.\\w+\\(.*\\)) ret=[0-9a-f]+");
  static const std::regex address("[0-9a-f]+ \"");
  std::vector<std::string> calls;
  std::smatch found;
  std::istringstream lines(FileText(logPath));
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, found, call)) calls.push_back(std::regex_replace(found[1].str(), address, "\""));
  return calls;
}

int RunToEnd(const std::vector<std::string>& command) {
  Child child = Child::WithStreams(command, Child::Inherited, Child::Inherited, Child::Inherited);
  return child.Wait(Patience);
}

// An X server of its own, on a display number it chooses, for the windows
// that a run opens.
class VirtualDisplay {
 public:
  VirtualDisplay() : server_(Start(name_)) {}
  ~VirtualDisplay() { server_.Stop(); }
  const std::string& Name() const { return name_; }

 private:
  static Child Start(std::string& name) {
    Pipe chosen;
    Child server =
        Child::WithStreams({"/usr/bin/Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"},
                           Child::Inherited, chosen.write, Child::Inherited);
    chosen.CloseWrite();
    // The server writes its number and a line feed once it is ready, and
    // keeps the pipe open; a server that fails closes it.
    std::string number;
    for (char digit; read(chosen.read, &digit, 1) == 1 && digit != '\n';) number += digit;
    name = number.empty() ? "" : ":" + number;
    return server;
  }

  std::string name_;
  Child server_;
};

class WineRun : public testing::TestWithParam<WindowsBuild> {
 protected:
  // One prefix for every run, made once per build folder: making one that
  // also runs 32-bit programs takes minutes under emulation.
  static void SetUpTestSuite() {
    setenv("WINEPREFIX", WinePrefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("QEMU_RESERVED_VA", QemuReservedAddressSpace, 1);
    unsetenv("DISPLAY");
    ready_ = false;
    for (const WindowsBuild* build : {&I686, &X86_64})
      ASSERT_TRUE(Exists(build->loader)) << "Wine is missing: install the Debian package " << build->package;
    // Exit status 127 is the exec failing: the kernel took the loader for no program at all.
    ASSERT_EQ(RunToEnd({Wine32, "--version"}), 0)
        << "this machine runs no 32-bit code: install qemu-user-static and register its i386 handler "
           "(./install-packages.sh test does both)";
    if (!Exists(WinePrefix + "/drive_c/windows/syswow64/kernel32.dll")) {
      ASSERT_EQ(RunToEnd({Wine64, "wineboot", "--init"}), 0);
      ASSERT_TRUE(Exists(WinePrefix + "/drive_c/windows/syswow64/kernel32.dll"))
          << "the prefix cannot run 32-bit programs: install the Debian package wine32:i386";
      ASSERT_EQ(RunToEnd({Wine64, "reg", "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                          "/d", RelayInclude, "/f"}),
                0);
    }
    ready_ = true;
  }

  void SetUp() override {
    ASSERT_TRUE(ready_) << "the Wine prefix could not be made ready";
    // Each run starts its own server: one left from the run before would
    // still be writing the prefix, or would lack this run's display.
    ASSERT_EQ(RunToEnd({WineServer, "-w"}), 0);
    relayLog_ = TemporaryFolder() + "/relay.log";
  }
  void TearDown() override {
    unlink(relayLog_.c_str());
    rmdir(relayLog_.substr(0, relayLog_.rfind('/')).c_str());
  }

  // `program` in a new pseudo-terminal, its relayed calls logged, with
  // windows opened on `display` (none when empty).
  Child Start(const std::string& program, const std::string& display = "") {
    EXPECT_TRUE(Exists(program)) << program << " is not built: run ./build-and-test.sh";
    const WindowsBuild& build = GetParam();
    const std::string& log = relayLog_;
    return Child::InTerminal({build.loader, program}, [&log, &display](int terminal) {
      RawOutput(terminal);
      int relay = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(relay, STDERR_FILENO);
      close(relay);
      setenv("WINEDEBUG", "+relay", 1);
      if (display.empty())
        unsetenv("DISPLAY");
      else
        setenv("DISPLAY", display.c_str(), 1);
    });
  }

  // Reads until `wanted` is on the screen, as text, or the patience runs out.
  static std::string ScreenUntil(Child& run, const std::string& wanted) {
    auto deadline = std::chrono::steady_clock::now() + Patience;
    std::string text;
    while ((text = ScreenText(run.ReadUntil(wanted, std::chrono::seconds(1)))).find(wanted) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
    }
    // Let the last control sequences arrive before the text is compared.
    return ScreenText(run.ReadFor(std::chrono::milliseconds(300)));
  }

  std::string relayLog_;

 private:
  static bool ready_;
};

bool WineRun::ready_ = false;

TEST_P(WineRun, ShowsTheLinesDropsTypedKeysAndEndsOnEnter) {
  Child run = Start(GetParam().program);
  ASSERT_EQ(ScreenUntil(run, "b: 1234\r\n"), Lines);
  run.Type("xy");
  run.ReadUntil("xy", Patience);
  EXPECT_TRUE(run.Running()) << "typed characters ended the wait";
  run.Type("\r");
  EXPECT_EQ(run.Wait(Patience), 0);
  EXPECT_EQ(ScreenText(run.ReadFor(std::chrono::milliseconds(0))), Lines + "xy\r\n");
  EXPECT_EQ(RelayedCalls(relayLog_), (std::vector<std::string>{"KERNEL32.AllocConsole()", "KERNEL32.FreeConsole()"}));
}

// A failed check shows its error in a message box, since the console goes
// with the process, and the run ends with status 1 without freeing the console.
TEST_P(WineRun, OverflowShowsTheTwoLinesThenAMessageBoxAndEndsWithStatusOne) {
  VirtualDisplay display;
  ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start: install the Debian package xvfb";
  setenv("DISPLAY", display.Name().c_str(), 1);  // for xdotool
  Child run = Start(GetParam().overflowing, display.Name());

  std::string window;
  auto deadline = std::chrono::steady_clock::now() + Patience;
  while (window.empty() && run.Running() && std::chrono::steady_clock::now() < deadline) {
    int found = 0;  // 1 until there is one
    window = ToolOutput("xdotool", "xdotool", "search --name '^Kestrune$'", &found);
    run.ReadFor(std::chrono::milliseconds(500));
  }
  ASSERT_FALSE(window.empty()) << "no window titled Kestrune appeared";
  window = window.substr(0, window.find('\n'));
  EXPECT_EQ(ScreenText(run.ReadFor(std::chrono::milliseconds(300))), TwoLines);
  EXPECT_TRUE(run.Running()) << "the box does not wait for the user";

  // Enter presses the box's one button, as it would for a person.
  ToolOutput("xdotool", "xdotool", "windowfocus --sync " + window + " key Return");
  EXPECT_EQ(run.Wait(Patience), 1);
  EXPECT_EQ(ScreenText(run.ReadFor(std::chrono::milliseconds(0))), TwoLines);
  EXPECT_EQ(RelayedCalls(relayLog_),
            (std::vector<std::string>{
                "KERNEL32.AllocConsole()",
                // No owner; the text; the title; MB_OK | MB_ICONERROR.
                "user32.MessageBoxA(00000000,\"overflow: the result does not fit in a 16-bit integer\",\"Kestrune\","
                "00000010)",
            }));
}

INSTANTIATE_TEST_SUITE_P(Builds, WineRun, testing::Values(I686, X86_64),
                         [](const testing::TestParamInfo<WindowsBuild>& info) { return std::string(info.param.name); });

}  // namespace
