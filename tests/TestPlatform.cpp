#include "tests/TestPlatform.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/Platform.h"
#include "tests/CallLog.h"

namespace TestPlatform {

namespace {

using namespace Kernel32;

Record record;
int outputHandle, inputHandle;  // their addresses are the handles

void Log(std::string call) {
  record.calls.push_back(std::move(call));
  if (record.duringCall) record.duringCall(record.calls.back());
}

std::string Handle(HANDLE handle) {
  if (handle == &outputHandle) return "output";
  if (handle == &inputHandle) return "input";
  return "invalid";
}

BOOL FakeAllocConsole() {
  Log("AllocConsole");
  return 1;
}

BOOL FakeFreeConsole() {
  Log("FreeConsole");
  return 1;
}

HANDLE FakeGetStdHandle(DWORD selector) {
  Log(CallLog::GetStdHandleCall(selector));
  if (selector == STD_OUTPUT_HANDLE) return &outputHandle;
  if (selector == STD_INPUT_HANDLE) return &inputHandle;
  return nullptr;
}

BOOL FakeWriteConsoleA(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved) {
  Log(CallLog::WriteConsoleCall(Handle(console), text, length, written, reserved));
  *written = length;
  return 1;
}

BOOL FakeReadConsoleA(HANDLE console, void* buffer, DWORD length, DWORD* read, void* control) {
  Log(CallLog::ReadConsoleCall(Handle(console), buffer, length, read, control));
  if (record.input.empty()) return 0;
  int next = record.input.front();
  record.input.pop_front();
  if (next != NothingDelivered) {
    static_cast<char*>(buffer)[0] = static_cast<char>(next);
    *read = 1;
  }
  return 1;
}

void FakeRtlMoveMemory(void* destination, const void* source, SIZE_T count) {
  record.moveSources.push_back(source);
  Log(CallLog::MoveMemoryCall(source, count));
  std::memmove(destination, source, count);
}

struct Fake {
  const char* name;
  void* address;
};

const Fake fakes[] = {
    {"AllocConsole", reinterpret_cast<void*>(&FakeAllocConsole)},
    {"FreeConsole", reinterpret_cast<void*>(&FakeFreeConsole)},
    {"GetStdHandle", reinterpret_cast<void*>(&FakeGetStdHandle)},
    {"WriteConsoleA", reinterpret_cast<void*>(&FakeWriteConsoleA)},
    {"ReadConsoleA", reinterpret_cast<void*>(&FakeReadConsoleA)},
    {"RtlMoveMemory", reinterpret_cast<void*>(&FakeRtlMoveMemory)},
};

}  // namespace

Record& Reset() {
  record = Record{};
  return record;
}

Record& Current() { return record; }

}  // namespace TestPlatform

namespace Platform {

const char* LibraryFile(const char* name) noexcept { return name; }

void* OpenLibrary(const char* name, const char** reason) noexcept {
  if (std::strcmp(name, "Kernel32") == 0) return &TestPlatform::record;
  *reason = "no such library";
  return nullptr;
}

void* FindEntryPoint(void* library, const char* name) noexcept {
  if (library != &TestPlatform::record) return nullptr;
  TestPlatform::record.lookups.push_back(name);
  for (const auto& fake : TestPlatform::fakes)
    if (std::strcmp(fake.name, name) == 0) return fake.address;
  return nullptr;
}

void ReportError(const char* message) noexcept { TestPlatform::record.reported = message; }

}  // namespace Platform
