#pragma once

#include "platform/Kernel32.h"
#include "platform/Text.h"

// Writes `line` at the console's cursor as it is; it adds no line ending.
void WriteLine(const Text& line);

// Reads the next character of console input into `key`; a read that delivers
// nothing leaves `key` as it was. False once the input has ended (or cannot
// be read at all): no character will ever come.
bool ReadKey(FixedText<1>& key);

// Makes exactly `count` bytes at `destination` equal to those at `source`.
void CopyBytes(void* destination, const void* source, Kernel32::SIZE_T count);
