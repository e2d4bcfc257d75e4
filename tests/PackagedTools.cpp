#include "tests/PackagedTools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

bool Exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

std::string ToolOutput(const std::string& tool, const std::string& package, const std::string& arguments, int* status) {
  std::string path = "/usr/bin/" + tool;
  if (!Exists(path)) {
    ADD_FAILURE() << tool << " is missing: install the Debian package " << package;
    return "";
  }
  FILE* pipe = popen((path + " " + arguments).c_str(), "r");
  std::string out;
  char bytes[4096];
  for (size_t count; (count = fread(bytes, 1, sizeof bytes, pipe)) > 0;) out.append(bytes, count);
  int ended = pclose(pipe);
  int exitStatus = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
  if (status != nullptr)
    *status = exitStatus;
  else
    EXPECT_EQ(exitStatus, 0) << tool << " " << arguments << " failed";
  return out;
}
