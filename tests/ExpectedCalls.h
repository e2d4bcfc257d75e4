#pragma once

#include <string>
#include <vector>

// Kernel32 calls as CallLog writes them, one line each.
using Calls = std::vector<std::string>;

// What a run of the shipped program asks of Kernel32 before its wait.
inline const Calls CallsUntilTheWait = {
    "AllocConsole",
    "RtlMoveMemory 2 source=45",
    "GetStdHandle -11",
    "WriteConsoleA output \"a: 45, b: 45\\r\\n\" 14 count=0 null",
    "RtlMoveMemory 2 source=90",
    "GetStdHandle -11",
    "WriteConsoleA output \"a: 90, b: 90\\r\\n\" 14 count=0 null",
    "RtlMoveMemory 2 source=1234",
    "GetStdHandle -11",
    "WriteConsoleA output \"b: 1234\\r\\n\" 9 count=0 null",
};

inline Calls Then(Calls first, const Calls& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}
