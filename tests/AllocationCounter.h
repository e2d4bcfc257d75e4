#pragma once

#include <cstddef>
#include <cstdint>

// Blocks from operator new not yet given back, counted across the process.
std::ptrdiff_t LiveAllocations();

// The serial number of the live block from operator new that holds
// `address`, or 0. Serial numbers are never reused, so a block that is freed
// stays freed even when its memory is given out again.
std::uint64_t LiveBlockHolding(const void* address);
bool BlockIsLive(std::uint64_t serial);
