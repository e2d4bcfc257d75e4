// The platform on Windows: libraries are the system's, loaded by name;
// errors are shown in a message box, since the console goes with the process.
#include "platform/Kernel32.h"
#include "platform/Platform.h"

// After the program's own declarations, whose names windows.h makes macros of.
#include <windows.h>

#include <type_traits>

// The table's calling convention must be the system's own: on 32-bit Windows
// a mismatch corrupts the stack on every call.
static_assert(std::is_same_v<decltype(Kernel32::AllocConsole)::Function, decltype(&::AllocConsole)>,
              "Kernel32 entry points are declared with the system's calling convention");
static_assert(std::is_same_v<decltype(Kernel32::FreeConsole)::Function, decltype(&::FreeConsole)>,
              "Kernel32 entry points are declared with the system's calling convention");

// Bound by name like Kernel32's, so that a program that never fails never loads it.
namespace User32 {
Library User32{"User32"};
EntryPoint<int(ENTRY_CALL*)(HWND owner, const char* text, const char* caption, UINT type)> MessageBoxA{User32,
                                                                                                      "MessageBoxA"};
}  // namespace User32

namespace Platform {

void* OpenLibrary(const char* name) noexcept { return reinterpret_cast<void*>(LoadLibraryA(name)); }

void* FindEntryPoint(void* library, const char* name) noexcept {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void ReportError(const char* message) noexcept {
  try {
    User32::MessageBoxA(nullptr, message, "Kestrune", MB_OK | MB_ICONERROR);
  } catch (const BindError&) {
    // Without User32 there is nowhere left to say it; the exit status still does.
  }
}

}  // namespace Platform
