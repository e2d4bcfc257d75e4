#!/usr/bin/env bash
# Kestrune beside two floors, on the same inputs, in one table:
#   the honest floor (HonestFloor.c and its library): the least C program that
#     does the work a run must do (binding by name, a handle before every call,
#     the checked fill, UTF-16 lines, one character a read);
#   the bare floor (BareFloor.c): three writes and one byte a read, nothing else;
#   and, to tell the language's share from the program's, the honest floor's
#     routine under the least C++ start that can raise an error
#     (HonestFloorRuntime.cpp), linked as Kestrune is.
# Every program runs in the same clean environment, since each environment
# variable costs a dynamically linked program instructions at start-up.
# Instruction counts (callgrind) repeat exactly; judge by them, not by time.
set -euo pipefail
cd "$(dirname "$0")/.."
./install-packages.sh bench
cmake --workflow --preset windows-i686 >/dev/null
cmake --workflow --preset windows-x86_64 >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target Kestrune >/dev/null

work=build/bench
mkdir -p "$work/honest"
cc -O2 -o "$work/bare" bench/BareFloor.c
cc -O2 -o "$work/honest/HonestFloor" bench/HonestFloor.c
cc -O2 -shared -fPIC -fvisibility=hidden -o "$work/honest/libKernel32.so" bench/HonestFloorKernel32.c
# The same C routine, its main renamed, beside the same library.
cc -O2 -Dmain=HonestFloorRoutine -c -o "$work/HonestFloorRoutine.o" bench/HonestFloor.c
c++ -O2 -std=c++20 -static-libstdc++ -static-libgcc -Wl,--as-needed -Wl,--gc-sections \
  -o "$work/honest/HonestFloorRuntime" bench/HonestFloorRuntime.cpp demo/NoDemangler.cpp "$work/HonestFloorRoutine.o"
bare=$work/bare
honest=$work/honest/HonestFloor
runtime=$work/honest/HonestFloorRuntime
kestrune=build/linux/bin/Kestrune
programs=(bare honest runtime kestrune)

clean() { env -i PATH=/usr/bin:/bin "$@"; }

# keys N: a file of N typed characters and the Enter that ends the wait.
keys() {
  local file=$work/keys-$1
  [ -f "$file" ] || { head -c "$1" /dev/zero | tr '\0' 'k'; printf '\r'; } >"$file"
  echo "$file"
}

instructions() {
  clean valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" <"$(keys "$2")" >/dev/null 2>"$work/valgrind.log"
  sed -n 's/.*Collected : //p' "$work/valgrind.log"
}

allocations() {
  clean valgrind --tool=memcheck "$1" <"$(keys "$2")" >/dev/null 2>"$work/valgrind.log"
  sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$work/valgrind.log" | tr -d ,
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

peak_kib() {
  for _ in 1 2 3 4 5; do
    clean /usr/bin/time -f %M "$1" <"$(keys 0)" 2>&1 >/dev/null | tail -n 1
  done | median
}

# Median wall time in microseconds of each program, the runs interleaved.
wall() {
  local input program
  input=$(keys "$1")
  for program in "${programs[@]}"; do : >"$work/wall-$program"; done
  for _ in $(seq 11); do
    for program in "${programs[@]}"; do
      local start end
      start=$(date +%s%N)
      clean "${!program}" <"$input" >/dev/null
      end=$(date +%s%N)
      echo $(((end - start) / 1000)) >>"$work/wall-$program"
    done
  done
  for program in "${programs[@]}"; do median <"$work/wall-$program"; done | tr '\n' ' '
}

row() { printf '| %-42s | %9s | %9s | %9s | %9s | %6s | %6s | %-24s | %-5s |\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b / a }'; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo yes; else echo NO; fi; }
perKey() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.1f", (b - a) / n }'; }
# A figure's row: the four programs' values, Kestrune's two ratios, the target and whether it holds.
figure() {
  local name=$1 b=$2 h=$3 r=$4 k=$5 target=${6:-} holds=${7:-}
  row "$name" "$b" "$h" "$r" "$k" "$(ratio "$h" "$k")" "$(ratio "$r" "$k")" "$target" "$holds"
}

declare -A runs
for program in "${programs[@]}"; do
  for n in 0 1000 100000; do runs[$program,$n]=$(instructions "${!program}" $n); done
done

echo
row figure bare honest 'h + C++' Kestrune 'K / h' 'K / hC' target holds
row ------------------------------------------ --------- --------- --------- --------- ------ ------ \
  ------------------------ -----
h=${runs[honest,0]} k=${runs[kestrune,0]}
figure 'a whole run, instructions (input "\r")' "${runs[bare,0]}" "$h" "${runs[runtime,0]}" "$k" \
  'at most 1.05 x honest' "$(verdict "$k <= 1.05 * $h")"
declare -A key
for n in 100000 1000; do
  for program in "${programs[@]}"; do key[$program]=$(perKey "${runs[$program,0]}" "${runs[$program,$n]}" $n); done
  if [ $n = 100000 ]; then
    figure 'each keystroke, instructions' "${key[bare]}" "${key[honest]}" "${key[runtime]}" "${key[kestrune]}" \
      'at most 1.5 x honest' "$(verdict "${key[kestrune]} <= 1.5 * ${key[honest]}")"
    perKeyAtMost=${key[kestrune]}
  else
    row '  the same over 1,000 keys only' "${key[bare]}" "${key[honest]}" "${key[runtime]}" "${key[kestrune]}" '' '' \
      'linear: within 0.5' "$(verdict "${key[kestrune]} - $perKeyAtMost < 0.5 && $perKeyAtMost - ${key[kestrune]} < 0.5")"
  fi
done
declare -A heap
for program in "${programs[@]}"; do
  heap[$program,0]=$(allocations "${!program}" 0)
  heap[$program,10000]=$(allocations "${!program}" 10000)
done
row 'heap allocations in a run' "${heap[bare,0]}" "${heap[honest,0]}" "${heap[runtime,0]}" "${heap[kestrune,0]}" \
  '' '' '' ''
row 'heap allocations per keystroke (10,000)' "$(perKey "${heap[bare,0]}" "${heap[bare,10000]}" 10000)" \
  "$(perKey "${heap[honest,0]}" "${heap[honest,10000]}" 10000)" \
  "$(perKey "${heap[runtime,0]}" "${heap[runtime,10000]}" 10000)" \
  "$(perKey "${heap[kestrune,0]}" "${heap[kestrune,10000]}" 10000)" '' '' '0' \
  "$(verdict "${heap[kestrune,10000]} == ${heap[kestrune,0]}")"
h=$(peak_kib "$honest") k=$(peak_kib "$kestrune")
figure 'peak resident memory, KiB (median of 5)' "$(peak_kib "$bare")" "$h" "$(peak_kib "$runtime")" "$k" \
  'at most 1.2 x honest' "$(verdict "$k <= 1.2 * $h")"
read -r b h r k <<<"$(wall 0)"
figure 'wall time, us, input "\r" (median of 11)' "$b" "$h" "$r" "$k" 'not judged'
read -r b h r k <<<"$(wall 100000)"
figure 'wall time, us, 100,000 keys (median of 11)' "$b" "$h" "$r" "$k" 'not judged'
exe=build/windows-i686/bin/Kestrune.exe
size=$(stat -c %s $exe)
row 'size, Kestrune.exe (i686), bytes' '' '' '' "$size" '' '' "64 KiB: $((65536 - size)) left" \
  "$(verdict "$size <= 65536")"
# The manifest fills whole 512-byte blocks of the file; without it the
# program, its icon and its version record are this much.
manifest=$(wrestool -x --raw --type=24 --name=1 $exe | wc -c)
less=$((size - (manifest + 511) / 512 * 512))
row "  less the manifest's blocks" '' '' '' "$less" '' '' "64 KiB: $((65536 - less)) left" ''
row 'size, Kestrune.exe (x86-64), bytes' '' '' '' "$(stat -c %s build/windows-x86_64/bin/Kestrune.exe)" '' '' '' ''
stripped() { strip -o "$work/stripped" "$1" && stat -c %s "$work/stripped"; }
row 'size, Linux program (stripped), bytes' "$(stripped "$bare")" "$(stripped "$honest")" "$(stripped "$runtime")" \
  "$(stripped "$kestrune")" '' '' '' ''
row 'size, libKernel32.so (stripped), bytes' '' "$(stripped "$work/honest/libKernel32.so")" '' \
  "$(stripped build/linux/bin/libKernel32.so)" '' '' '' ''
