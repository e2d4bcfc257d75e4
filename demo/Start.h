#pragma once

#include "demo/ModuleKestrune.h"

// The process start: Main once, with `constants`. An error it raises is told
// to the user, and the run ends with status 1; a run without one ends with 0.
int Start(const ModuleKestrune::Constants& constants) noexcept;
