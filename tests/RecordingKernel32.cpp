// A stand-in Kernel32 that logs every call, one line each, to the file named
// by KERNEL32_RECORD, and delivers the characters of KERNEL32_INPUT one read
// at a time; past them the input has ended. Built once more without
// ReadConsoleA (WITHOUT_READ_CONSOLE), to show a name that cannot be bound.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/CallLog.h"

using namespace Kernel32;

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int outputHandle, inputHandle;

std::string Handle(HANDLE handle) {
  if (handle == &outputHandle) return "output";
  if (handle == &inputHandle) return "input";
  return "invalid";
}

void Log(const std::string& call) {
  const char* file = std::getenv("KERNEL32_RECORD");
  if (file == nullptr) return;
  int log = open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  std::string line = call + "\n";
  [[maybe_unused]] ssize_t written = write(log, line.data(), line.size());
  close(log);
}

}  // namespace

EXPORT BOOL AllocConsole() {
  Log("AllocConsole");
  return 1;
}

EXPORT BOOL FreeConsole() {
  Log("FreeConsole");
  return 1;
}

EXPORT HANDLE GetStdHandle(DWORD selector) {
  Log(CallLog::GetStdHandleCall(selector));
  if (selector == STD_OUTPUT_HANDLE) return &outputHandle;
  if (selector == STD_INPUT_HANDLE) return &inputHandle;
  return nullptr;
}

EXPORT BOOL WriteConsoleA(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved) {
  Log(CallLog::WriteConsoleCall(Handle(console), text, length, written, reserved));
  *written = length;
  return 1;
}

#ifndef WITHOUT_READ_CONSOLE
EXPORT BOOL ReadConsoleA(HANDLE console, void* buffer, DWORD length, DWORD* read, void* control) {
  Log(CallLog::ReadConsoleCall(Handle(console), buffer, length, read, control));
  static std::size_t inputRead = 0;
  const char* input = std::getenv("KERNEL32_INPUT");
  if (input == nullptr || inputRead >= std::strlen(input)) return 0;
  static_cast<char*>(buffer)[0] = input[inputRead++];
  *read = 1;
  return 1;
}
#endif

EXPORT void RtlMoveMemory(void* destination, const void* source, SIZE_T count) {
  Log(CallLog::MoveMemoryCall(source, count));
  std::memmove(destination, source, count);
}
