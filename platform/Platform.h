#pragma once

// What the portable code needs from the operating system, supplied by one file
// per platform (Posix.cpp, Windows.cpp) and substituted by the unit tests.
namespace Platform {

// The file that stands for the library `name`, as the user would name it;
// `name` itself when no such file can be named. Valid until the next call.
const char* LibraryFile(const char* name) noexcept;

// The library `name` stands for, loaded from that file and never closed;
// null when it cannot be loaded, and then `reason` says why.
void* OpenLibrary(const char* name, const char** reason) noexcept;

// Null when the library has no entry point of that name.
void* FindEntryPoint(void* library, const char* name) noexcept;

// Tells the user why the program stops.
void ReportError(const char* message) noexcept;

}  // namespace Platform
