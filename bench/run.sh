#!/usr/bin/env bash
# Kestrune beside two floors, on the same inputs, in one table:
#   the honest floor (HonestFloor.c and its library): the least C program that
#     does the work a run must do (binding by name, a handle before every call,
#     the checked fill, UTF-16 lines, one character a read);
#   the bare floor (BareFloor.c): three writes and one byte a read, nothing else.
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
bare=$work/bare
honest=$work/honest/HonestFloor
kestrune=build/linux/bin/Kestrune
programs=(bare honest kestrune)

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

row() { printf '| %-40s | %9s | %9s | %9s | %6s | %-24s | %-5s |\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b / a }'; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo yes; else echo NO; fi; }
perKey() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.1f", (b - a) / n }'; }

declare -A runs
for program in "${programs[@]}"; do
  for n in 0 1000 100000; do runs[$program,$n]=$(instructions "${!program}" $n); done
done

echo
row figure 'bare' 'honest' Kestrune 'K / h' 'target' holds
row ---------------------------------------- --------- --------- --------- ------ ------------------------ -----
b=${runs[bare,0]} h=${runs[honest,0]} k=${runs[kestrune,0]}
row 'a whole run, instructions (input "\r")' "$b" "$h" "$k" "$(ratio "$h" "$k")" 'at most 1.05 x honest' \
  "$(verdict "$k <= 1.05 * $h")"
for n in 100000 1000; do
  b=$(perKey "${runs[bare,0]}" "${runs[bare,$n]}" $n)
  h=$(perKey "${runs[honest,0]}" "${runs[honest,$n]}" $n)
  k=$(perKey "${runs[kestrune,0]}" "${runs[kestrune,$n]}" $n)
  if [ $n = 100000 ]; then
    row 'each keystroke, instructions' "$b" "$h" "$k" "$(ratio "$h" "$k")" 'at most 1.5 x honest' \
      "$(verdict "$k <= 1.5 * $h")"
    perKeyAtMost=$k
  else
    row '  the same over 1,000 keys only' "$b" "$h" "$k" '' 'linear: within 0.5' \
      "$(verdict "$k - $perKeyAtMost < 0.5 && $perKeyAtMost - $k < 0.5")"
  fi
done
declare -A heap
for program in "${programs[@]}"; do
  heap[$program,0]=$(allocations "${!program}" 0)
  heap[$program,10000]=$(allocations "${!program}" 10000)
done
row 'heap allocations in a run' "${heap[bare,0]}" "${heap[honest,0]}" "${heap[kestrune,0]}" '' '' ''
row 'heap allocations per keystroke (10,000)' "$(perKey "${heap[bare,0]}" "${heap[bare,10000]}" 10000)" \
  "$(perKey "${heap[honest,0]}" "${heap[honest,10000]}" 10000)" \
  "$(perKey "${heap[kestrune,0]}" "${heap[kestrune,10000]}" 10000)" '' '0' \
  "$(verdict "${heap[kestrune,10000]} == ${heap[kestrune,0]}")"
b=$(peak_kib "$bare") h=$(peak_kib "$honest") k=$(peak_kib "$kestrune")
row 'peak resident memory, KiB (median of 5)' "$b" "$h" "$k" "$(ratio "$h" "$k")" 'at most 1.2 x honest' \
  "$(verdict "$k <= 1.2 * $h")"
read -r b h k <<<"$(wall 0)"
row 'wall time, us, input "\r" (median of 11)' "$b" "$h" "$k" "$(ratio "$h" "$k")" 'not judged' ''
read -r b h k <<<"$(wall 100000)"
row 'wall time, us, 100,000 keys (median of 11)' "$b" "$h" "$k" "$(ratio "$h" "$k")" 'not judged' ''
exe=$(stat -c %s build/windows-i686/bin/Kestrune.exe)
row 'size, Kestrune.exe (i686), bytes' '' '' "$exe" '' "64 KiB: $((65536 - exe)) left" "$(verdict "$exe <= 65536")"
row 'size, Kestrune.exe (x86-64), bytes' '' '' "$(stat -c %s build/windows-x86_64/bin/Kestrune.exe)" '' '' ''
stripped() { strip -o "$work/stripped" "$1" && stat -c %s "$work/stripped"; }
row 'size, Linux program (stripped), bytes' "$(stripped "$bare")" "$(stripped "$honest")" "$(stripped "$kestrune")" \
  '' '' ''
row 'size, libKernel32.so (stripped), bytes' '' "$(stripped "$work/honest/libKernel32.so")" \
  "$(stripped build/linux/bin/libKernel32.so)" '' '' ''
