#include "platform/ConsoleAndMemory.h"

#include <array>

namespace {

// The console's single-byte code page is Latin-1: a UTF-16 character below
// 256 is that byte, any other character is "?".
char ToSingleByte(char16_t character) { return character < 0x100 ? static_cast<char>(character) : '?'; }
char16_t FromSingleByte(char byte) { return static_cast<unsigned char>(byte); }

bool IsSurrogatePair(const char16_t* characters, std::uint32_t at, std::uint32_t length) {
  return characters[at] >= 0xD800 && characters[at] <= 0xDBFF && at + 1 < length && characters[at + 1] >= 0xDC00 &&
         characters[at + 1] <= 0xDFFF;
}

// A surrogate pair is one character, so one "?".
SingleByteText ToSingleByte(const Text& text) {
  SingleByteText bytes;
  for (std::uint32_t at = 0; at < text.Length(); ++at) {
    bytes.Append(ToSingleByte(text.Data()[at]));
    if (IsSurrogatePair(text.Data(), at, text.Length())) ++at;
  }
  return bytes;
}

}  // namespace

void WriteLine(const Text& line) {
  Kernel32::HANDLE console = Kernel32::GetStdHandle(Kernel32::STD_OUTPUT_HANDLE);
  SingleByteText copy = ToSingleByte(line);
  Kernel32::DWORD written = 0;
  // The copy's own length: a surrogate pair is two UTF-16 characters but one byte.
  Kernel32::WriteConsoleA(console, copy.Data(), copy.Length(), &written, nullptr);
}

bool ReadKey(FixedText<1>& key) {
  Kernel32::HANDLE console = Kernel32::GetStdHandle(Kernel32::STD_INPUT_HANDLE);
  // One byte a character, on the stack: this runs for every key pressed.
  constexpr std::uint32_t length = FixedText<1>::Length();
  std::array<char, length> buffer;
  for (std::uint32_t at = 0; at < length; ++at) buffer[at] = ToSingleByte(key.Data()[at]);
  Kernel32::DWORD read = 0;
  Kernel32::BOOL delivered = Kernel32::ReadConsoleA(console, buffer.data(), length, &read, nullptr);
  std::array<char16_t, length> converted;
  for (std::uint32_t at = 0; at < length; ++at) converted[at] = FromSingleByte(buffer[at]);
  key = FixedText<1>(converted.data(), length);
  return delivered != 0;
}

void CopyBytes(void* destination, const void* source, Kernel32::SIZE_T count) {
  Kernel32::RtlMoveMemory(destination, source, count);
}
