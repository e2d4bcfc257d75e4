#pragma once

#include <string>

// Programs from Debian's packages that the tests run: tools no one here wrote.

bool Exists(const std::string& path);

// What /usr/bin/`tool` prints for `arguments`. A missing tool fails the test
// and names the package to install. The tool must succeed, unless `status` is
// given to receive its exit status.
std::string ToolOutput(const std::string& tool, const std::string& package, const std::string& arguments,
                       int* status = nullptr);
