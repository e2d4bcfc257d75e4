#!/usr/bin/env bash
# Builds Kestrune for Linux and runs it here, in this terminal.
set -euo pipefail
cd "$(dirname "$0")"
./install-packages.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target Kestrune
exec build/linux/bin/Kestrune
