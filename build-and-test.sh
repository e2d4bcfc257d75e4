#!/usr/bin/env bash
# Builds every target (Linux with GCC, with the sanitizers, with Clang and
# clang-tidy, and for s390x under qemu; both Windows executables) and runs the
# whole test suite on each.
set -euo pipefail
cd "$(dirname "$0")"
./install-packages.sh test
cmake --workflow --preset windows-i686
cmake --workflow --preset windows-x86_64
cmake --workflow --preset linux
cmake --workflow --preset linux-sanitize
cmake --workflow --preset linux-clang
cmake --workflow --preset linux-s390x
