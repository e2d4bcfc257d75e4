#pragma once

// What the portable code needs from the operating system, supplied by one file
// per platform (Posix.cpp, Windows.cpp) and substituted by the unit tests.
namespace Platform {

// Null when the library cannot be loaded. The handle is never closed.
void* OpenLibrary(const char* name) noexcept;

// Null when the library has no entry point of that name.
void* FindEntryPoint(void* library, const char* name) noexcept;

// Tells the user why the program stops.
void ReportError(const char* message) noexcept;

}  // namespace Platform
