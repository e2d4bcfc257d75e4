#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/EntryPoint.h"
#include "platform/Kernel32.h"
#include "tests/ExpectedCalls.h"
#include "tests/TestPlatform.h"

namespace {

TEST(EntryPoint, UnboundNameIsAnErrorNamingTheFileAndWhy) {
  // Longer than any path: its message is cut to what the error holds.
  const std::string longName(PATH_MAX + 200, 'k');
  const std::string cutMessage = ("cannot load " + longName + ": no such library").substr(0, PATH_MAX + 127);
  struct Case {
    const char* library;
    const char* entry;
    std::string message;
  } cases[] = {
      {"Kernel32", "NoSuchEntry", "cannot bind NoSuchEntry: Kernel32 has no entry point of that name"},
      {"Missing", "AllocConsole", "cannot load Missing: no such library"},
      {longName.c_str(), "AllocConsole", cutMessage},
  };
  for (const Case& c : cases) {
    Library library{c.library};
    EntryPoint<void (*)()> entry{library, c.entry};
    try {
      entry();
      ADD_FAILURE() << c.entry << " was bound";
    } catch (const BindError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

TEST(EntryPoint, BindsOnceAndKeepsTheAddress) {
  TestPlatform::Reset();
  Library library{"Kernel32"};
  EntryPoint<Kernel32::BOOL (*)()> allocConsole{library, "AllocConsole"};
  allocConsole();
  allocConsole();
  EXPECT_EQ(TestPlatform::Current().calls, (Calls{"AllocConsole", "AllocConsole"}));
  EXPECT_EQ(TestPlatform::Current().lookups, Calls{"AllocConsole"});
}

}  // namespace
