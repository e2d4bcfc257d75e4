#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/EntryPoint.h"

// The six entry points of Kernel32 that the program uses, with the widths
// that Windows gives their parameters. On Windows they are the system's; on
// other systems a library of the same name and exports stands in for them.
namespace Kernel32 {

using BOOL = std::int32_t;
using DWORD = std::uint32_t;
using HANDLE = void*;
using SIZE_T = std::size_t;

inline constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
inline constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);

// The library the six live in, loaded when the first of them is called.
inline Library SystemLibrary{"Kernel32"};

inline EntryPoint<BOOL(ENTRY_CALL*)()> AllocConsole{SystemLibrary, "AllocConsole"};
inline EntryPoint<BOOL(ENTRY_CALL*)()> FreeConsole{SystemLibrary, "FreeConsole"};
inline EntryPoint<HANDLE(ENTRY_CALL*)(DWORD selector)> GetStdHandle{SystemLibrary, "GetStdHandle"};
inline EntryPoint<BOOL(ENTRY_CALL*)(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved)>
    WriteConsoleA{SystemLibrary, "WriteConsoleA"};
inline EntryPoint<BOOL(ENTRY_CALL*)(HANDLE console, void* buffer, DWORD length, DWORD* read, void* control)>
    ReadConsoleA{SystemLibrary, "ReadConsoleA"};
inline EntryPoint<void(ENTRY_CALL*)(void* destination, const void* source, SIZE_T count)> RtlMoveMemory{
    SystemLibrary, "RtlMoveMemory"};

}  // namespace Kernel32
