#!/usr/bin/env bash
# Builds every target (Linux, Linux with sanitizers, both Windows executables)
# and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
./install-packages.sh test
cmake --workflow --preset windows-i686
cmake --workflow --preset windows-x86_64
cmake --workflow --preset linux
cmake --workflow --preset linux-sanitize
