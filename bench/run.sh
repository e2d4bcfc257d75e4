#!/usr/bin/env bash
# Kestrune beside the floor (bench/floor.c), on the same inputs, in one table.
# Instruction counts (callgrind) repeat exactly; judge by them, not by time.
set -euo pipefail
cd "$(dirname "$0")/.."
./install-packages.sh bench
cmake --workflow --preset windows-i686 >/dev/null
cmake --workflow --preset windows-x86_64 >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target Kestrune >/dev/null

work=build/bench
mkdir -p "$work"
cc -O2 -o "$work/floor" bench/floor.c
floor=$work/floor
kestrune=build/linux/bin/Kestrune

# keys N: a file of N typed characters and the Enter that ends the wait.
keys() {
  local file=$work/keys-$1
  [ -f "$file" ] || { head -c "$1" /dev/zero | tr '\0' 'k'; printf '\r'; } >"$file"
  echo "$file"
}

instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" <"$(keys "$2")" >/dev/null 2>"$work/valgrind.log"
  sed -n 's/.*Collected : //p' "$work/valgrind.log"
}

allocations() {
  valgrind --tool=memcheck "$1" <"$(keys "$2")" >/dev/null 2>"$work/valgrind.log"
  sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$work/valgrind.log" | tr -d ,
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

peak_kib() {
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f %M "$1" <"$(keys 0)" 2>&1 >/dev/null | tail -n 1
  done | median
}

# Median wall time in microseconds of runs alternating between the two programs.
wall() {
  local input
  input=$(keys "$1")
  : >"$work/wall-floor"
  : >"$work/wall-kestrune"
  for _ in $(seq 11); do
    for program in floor kestrune; do
      local start end
      start=$(date +%s%N)
      "${!program}" <"$input" >/dev/null
      end=$(date +%s%N)
      echo $(((end - start) / 1000)) >>"$work/wall-$program"
    done
  done
  echo "$(median <"$work/wall-floor") $(median <"$work/wall-kestrune")"
}

row() { printf '| %-42s | %10s | %10s | %6s | %-22s | %-5s |\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b / a }'; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo yes; else echo NO; fi; }

declare -A floorRuns kestruneRuns
for n in 0 1000 10000 100000; do
  floorRuns[$n]=$(instructions "$floor" $n)
  kestruneRuns[$n]=$(instructions "$kestrune" $n)
done
perKey() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.1f", (b - a) / n }'; }

echo
row figure floor Kestrune ratio target holds
row ------------------------------------------ ---------- ---------- ------ ---------------------- -----
f=${floorRuns[0]} k=${kestruneRuns[0]}
row 'a whole run, instructions (input "\r")' "$f" "$k" "$(ratio "$f" "$k")" 'at most 1.25 x floor' "$(verdict "$k <= 1.25 * $f")"
fk=$(perKey "${floorRuns[0]}" "${floorRuns[100000]}" 100000)
kk=$(perKey "${kestruneRuns[0]}" "${kestruneRuns[100000]}" 100000)
row 'each keystroke, instructions' "$fk" "$kk" "$(ratio "$fk" "$kk")" 'at most 100' "$(verdict "$kk <= 100")"
for n in 1000 10000 100000; do
  row "  per keystroke over $n keys" "$(perKey "${floorRuns[0]}" "${floorRuns[$n]}" $n)" \
    "$(perKey "${kestruneRuns[0]}" "${kestruneRuns[$n]}" $n)" '' 'the same at every size' ''
done
linear=$(awk -v a="$(perKey "${kestruneRuns[0]}" "${kestruneRuns[1000]}" 1000)" \
  -v b="$(perKey "${kestruneRuns[0]}" "${kestruneRuns[100000]}" 100000)" 'BEGIN { print (a - b < 0.5 && b - a < 0.5) }')
row '  growth is linear' '' '' '' 'within 0.5 a key' "$([ "$linear" = 1 ] && echo yes || echo NO)"
fa0=$(allocations "$floor" 0) fa=$(allocations "$floor" 10000)
ka0=$(allocations "$kestrune" 0) ka=$(allocations "$kestrune" 10000)
row 'heap allocations, no keys' "$fa0" "$ka0" '' '' ''
row 'heap allocations per keystroke (10,000)' "$(perKey "$fa0" "$fa" 10000)" "$(perKey "$ka0" "$ka" 10000)" '' '0' \
  "$(verdict "$ka == $ka0")"
fp=$(peak_kib "$floor") kp=$(peak_kib "$kestrune")
row 'peak resident memory, KiB (median of 5)' "$fp" "$kp" "$(ratio "$fp" "$kp")" 'at most 1.2 x floor' \
  "$(verdict "$kp <= 1.2 * $fp")"
read -r fw kw <<<"$(wall 0)"
row 'wall time, us, input "\r" (median of 11)' "$fw" "$kw" "$(ratio "$fw" "$kw")" 'not judged' ''
read -r fw kw <<<"$(wall 100000)"
row 'wall time, us, 100,000 keys (median of 11)' "$fw" "$kw" "$(ratio "$fw" "$kw")" 'not judged' ''
exe=$(stat -c %s build/windows-i686/bin/Kestrune.exe)
row 'size, Kestrune.exe (i686), bytes' '' "$exe" '' 'at most 65,536' "$(verdict "$exe <= 65536")"
row 'size, Kestrune.exe (x86-64), bytes' '' "$(stat -c %s build/windows-x86_64/bin/Kestrune.exe)" '' '' ''
strip -o "$work/Kestrune.stripped" "$kestrune"
strip -o "$work/libKernel32.stripped" build/linux/bin/libKernel32.so
row 'size, Linux Kestrune (stripped), bytes' "$(stat -c %s "$floor")" "$(stat -c %s "$work/Kestrune.stripped")" '' '' ''
row 'size, libKernel32.so (stripped), bytes' '' "$(stat -c %s "$work/libKernel32.stripped")" '' '' ''
