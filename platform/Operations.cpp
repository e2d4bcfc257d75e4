#include "platform/Operations.h"

namespace {

// The console's single-byte code page is Latin-1: a UTF-16 character below
// 256 is that byte, any other character (a surrogate pair counts as one) is "?".
SingleByteText ToSingleByte(const char16_t* characters, std::uint32_t length) {
  SingleByteText bytes;
  for (std::uint32_t at = 0; at < length; ++at) {
    char16_t character = characters[at];
    bool pair = character >= 0xD800 && character <= 0xDBFF && at + 1 < length && characters[at + 1] >= 0xDC00 &&
                characters[at + 1] <= 0xDFFF;
    if (pair) ++at;
    bytes.Append(character < 0x100 ? static_cast<char>(character) : '?');
  }
  return bytes;
}

Text FromSingleByte(const char* bytes, std::uint32_t length) {
  Text text;
  for (std::uint32_t at = 0; at < length; ++at) text.Append(static_cast<unsigned char>(bytes[at]));
  return text;
}

}  // namespace

void WriteLine(const Text& line) {
  Kernel32::HANDLE console = Kernel32::GetStdHandle(Kernel32::STD_OUTPUT_HANDLE);
  SingleByteText copy = ToSingleByte(line.Data(), line.Length());
  Kernel32::DWORD written = 0;
  // The copy's own length: a text that is not all Latin-1 can be shorter in bytes.
  Kernel32::WriteConsoleA(console, copy.Data(), copy.Length(), &written, nullptr);
}

bool ReadKey(FixedText<1>& key) {
  Kernel32::HANDLE console = Kernel32::GetStdHandle(Kernel32::STD_INPUT_HANDLE);
  SingleByteText buffer = ToSingleByte(key.Data(), key.Length());
  Kernel32::DWORD read = 0;
  // The buffer's own length bounds what the read may fill; for one character it is 1.
  Kernel32::BOOL delivered = Kernel32::ReadConsoleA(console, buffer.Data(), buffer.Length(), &read, nullptr);
  key = FixedText<1>(FromSingleByte(buffer.Data(), buffer.Length()));
  return delivered != 0;
}

void CopyBytes(void* destination, const void* source, Kernel32::SIZE_T count) {
  Kernel32::RtlMoveMemory(destination, source, count);
}
