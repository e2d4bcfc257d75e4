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

// The C runtime's own _matherr prints a message for a failed floating-point
// library call, and brings that printing in with it. This program makes no
// such call; the C runtime lets a program supply its own, and this one asks
// for the default action, which only sets errno.
extern "C" int _matherr(struct _exception*) { return 0; }

namespace Platform {

// The system's own library, found where the system keeps it.
const char* LibraryFile(const char* name) noexcept { return name; }

void* OpenLibrary(const char* name, const char** reason) noexcept {
  HMODULE library = LoadLibraryA(name);
  if (library == nullptr) *reason = "the system cannot load it";
  return reinterpret_cast<void*>(library);
}

void* FindEntryPoint(void* library, const char* name) noexcept {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void ReportError(const char* message) noexcept {
  // Bound by name when needed, so that a run without errors never loads User32.
  using MessageBoxFunction = int(ENTRY_CALL*)(HWND owner, const char* text, const char* caption, UINT type);
  HMODULE user32 = LoadLibraryA("User32");
  void* messageBox = user32 != nullptr ? FindEntryPoint(user32, "MessageBoxA") : nullptr;
  // Without it there is nowhere left to say it; the exit status still does.
  if (messageBox != nullptr)
    reinterpret_cast<MessageBoxFunction>(messageBox)(nullptr, message, "Kestrune", MB_OK | MB_ICONERROR);
}

}  // namespace Platform
