#!/usr/bin/env bash
# Installs the Debian packages that a task needs, when they are missing:
#   ./install-packages.sh build   the Linux program
#   ./install-packages.sh test    everything the test suite builds and runs
#   ./install-packages.sh bench   the test packages and valgrind
set -euo pipefail

build=(cmake ninja-build g++ libgtest-dev)
# The 32-bit Wine runs the product itself; where the kernel runs no 32-bit
# code, qemu's user-mode emulator runs it instead.
emulation=(libc6:i386 qemu-user-static)
test=("${build[@]}" binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 wine32:i386 icoutils xvfb xdotool
  clang-16 clang-tidy-16 g++-s390x-linux-gnu googletest git)
bench=("${test[@]}" gcc valgrind time)

case "${1:-}" in
  build) wanted=("${build[@]}") ;;
  test) wanted=("${test[@]}") ;;
  bench) wanted=("${bench[@]}") ;;
  *) echo "usage: $0 build|test|bench" >&2; exit 2 ;;
esac

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null && as_root=(sudo) || as_root=(cannot_become_root)
fi
cannot_become_root() {
  echo "$0: this needs root, and there is no sudo: $*" >&2
  exit 1
}

updated=false
install() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing ${missing[*]}"
  if [ "$updated" = false ]; then
    "${as_root[@]}" apt-get update -qq
    updated=true
  fi
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The kernel runs 32-bit x86 programs itself, or through a registered emulator.
runs_32_bit_code() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Hands 32-bit x86 programs to qemu's emulator, until the machine restarts.
register_emulator() {
  local formats=/proc/sys/fs/binfmt_misc
  [ -e $formats/register ] || "${as_root[@]}" mount -t binfmt_misc binfmt_misc $formats
  if [ -e $formats/qemu-i386 ]; then
    echo 1 | "${as_root[@]}" tee $formats/qemu-i386 >/dev/null
  else
    # An ELF header of class 32-bit, little-endian, for the i386 machine, of
    # an executable or a position-independent one; F opens the emulator now,
    # so that it serves every mount namespace.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
      "${as_root[@]}" tee $formats/register >/dev/null
  fi
}

if [ "$1" != build ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    updated=false
  fi
  # Before Wine's 32-bit packages, whose installation runs 32-bit programs.
  install "${emulation[@]}"
  if ! runs_32_bit_code; then
    echo "This kernel runs no 32-bit code: registering qemu's i386 emulator"
    register_emulator
    runs_32_bit_code || { echo "$0: 32-bit programs still cannot run here" >&2; exit 1; }
  fi
fi
install "${wanted[@]}"
