#pragma once

#include <cstddef>

// Blocks from operator new not yet given back, counted across the process.
std::ptrdiff_t LiveAllocations();
