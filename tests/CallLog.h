#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Kernel32.h"

// One line per Kernel32 call, with the arguments as the callee saw them on
// entry, so that the fakes and the recording library log alike.
namespace CallLog {

using namespace Kernel32;

inline std::string Escaped(std::string_view bytes) {
  std::string shown;
  for (unsigned char byte : bytes) {
    if (byte == '\r')
      shown += "\\r";
    else if (byte == '\n')
      shown += "\\n";
    else if (byte < 0x20 || byte >= 0x7F)
      shown += "\\x" + std::to_string(byte);
    else
      shown += static_cast<char>(byte);
  }
  return shown;
}

inline std::string Set(const void* pointer) { return pointer == nullptr ? "null" : "set"; }

inline std::string GetStdHandleCall(DWORD selector) {
  return "GetStdHandle " + std::to_string(static_cast<std::int32_t>(selector));
}

inline std::string WriteConsoleCall(const std::string& handle, const void* text, DWORD length, const DWORD* written,
                                    const void* reserved) {
  return "WriteConsoleA " + handle + " \"" + Escaped({static_cast<const char*>(text), length}) + "\" " +
         std::to_string(length) + " count=" + std::to_string(*written) + " " + Set(reserved);
}

inline std::string ReadConsoleCall(const std::string& handle, const void* buffer, DWORD length, const DWORD* read,
                                   const void* control) {
  return "ReadConsoleA " + handle + " buffer=" + Escaped({static_cast<const char*>(buffer), length}) + " " +
         std::to_string(length) + " count=" + std::to_string(*read) + " " + Set(control);
}

// The source's bytes in the order memory holds them, as hex: a copy moves
// bytes, whatever value they make on this machine.
inline std::string Bytes(const void* source, SIZE_T count) {
  static const char digits[] = "0123456789abcdef";
  std::string shown;
  for (SIZE_T at = 0; at < count; ++at) {
    unsigned char byte = static_cast<const unsigned char*>(source)[at];
    if (at > 0) shown += ' ';
    shown += digits[byte >> 4];
    shown += digits[byte & 0xF];
  }
  return shown;
}

inline std::string MoveMemoryCall(const void* source, SIZE_T count) {
  return "RtlMoveMemory " + std::to_string(count) + " source=" + Bytes(source, count);
}

}  // namespace CallLog
