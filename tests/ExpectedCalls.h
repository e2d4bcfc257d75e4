#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/CallLog.h"

// Kernel32 calls as CallLog writes them, one line each.
using Calls = std::vector<std::string>;

// RtlMoveMemory's log of a copy of `value`, in this machine's byte order:
// "2d 00" for 45 on a little-endian machine, "00 2d" on a big-endian one.
inline std::string MoveOf(std::uint16_t value) {
  unsigned char high = static_cast<unsigned char>(value >> 8), low = static_cast<unsigned char>(value & 0xFF);
  unsigned char inMemory[2] = {low, high};
  if constexpr (std::endian::native == std::endian::big) std::swap(inMemory[0], inMemory[1]);
  return "RtlMoveMemory 2 source=" + CallLog::Bytes(inMemory, 2);
}

// What a run of the shipped program asks of Kernel32 before its wait.
inline const Calls CallsUntilTheWait = {
    "AllocConsole",
    MoveOf(45),
    "GetStdHandle -11",
    "WriteConsoleA output \"a: 45, b: 45\\r\\n\" 14 count=0 null",
    MoveOf(90),
    "GetStdHandle -11",
    "WriteConsoleA output \"a: 90, b: 90\\r\\n\" 14 count=0 null",
    MoveOf(1234),
    "GetStdHandle -11",
    "WriteConsoleA output \"b: 1234\\r\\n\" 9 count=0 null",
};

inline Calls Then(Calls first, const Calls& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}
