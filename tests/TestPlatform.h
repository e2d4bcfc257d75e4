#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

// The test platform: Kernel32's entry points are fakes in this process that
// record each call, and ReportError keeps what it was told.
namespace TestPlatform {

// A scripted read: a character, or a read that delivers nothing.
inline constexpr int NothingDelivered = -1;

struct Record {
  std::vector<std::string> calls;                      // one line per entry point call, in order
  std::deque<int> input;                               // what the reads deliver; once empty, input has ended
  std::vector<std::string> lookups;                    // entry point names the platform was asked for
  std::string reported;                                // the last error reported
  std::vector<const void*> moveSources;                // each RtlMoveMemory's source
  std::function<void(const std::string&)> duringCall;  // told each call as it is made
};

// Clears the record; every fake starts from here.
Record& Reset();
Record& Current();

}  // namespace TestPlatform
