#!/usr/bin/env bash
# Installs the Debian packages that a task needs, when they are missing:
#   ./install-packages.sh build   the Linux program
#   ./install-packages.sh test    everything the test suite builds and runs
#   ./install-packages.sh bench   the test packages and valgrind
set -euo pipefail

build=(cmake ninja-build g++ libgtest-dev)
test=("${build[@]}" binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 icoutils)
bench=("${test[@]}" gcc valgrind time)

case "${1:-}" in
  build) wanted=("${build[@]}") ;;
  test) wanted=("${test[@]}") ;;
  bench) wanted=("${bench[@]}") ;;
  *) echo "usage: $0 build|test|bench" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "$0: these Debian packages are missing and I cannot install them without root: ${missing[*]}" >&2
  exit 1
fi
echo "Installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
