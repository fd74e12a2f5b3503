#!/usr/bin/env bash
# The script API's cost per call from a Lua loop on both script engines: build/benchmarks (Lua
# 5.1) and build-luajit/benchmarks (LuaJIT) run one after the other ROUNDS times (default 8) for a
# box and a line (batches not handed to the driver), a text of 39 characters (drawn at once) and
# a host.track read (16 tracks of 64 keys).
# Each figure is read from the benchmark's line that names it; a missing one stops the script.
# Every round is shown beside the median. Run from the repository root after ./test.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
rounds=${ROUNDS:-8}
benchmarks="DrawBoxFromLua DrawLineFromLua DrawTextFromLua TrackFromLua"
declare -A results
for round in $(seq "$rounds"); do
  for engine in build build-luajit; do
    out=$("$root/$engine/benchmarks" --benchmark_filter="^($(tr " " "|" <<<"$benchmarks"))\$" 2>/dev/null)
    for b in $benchmarks; do
      value=$(awk -v b="$b" '$1 == b { for (i = 1; i <= NF; i++) if ($i ~ /^per_item=/) { sub("per_item=", "", $i); print $i } }' <<<"$out")
      if [ -z "$value" ]; then
        printf 'engines.sh: %s/benchmarks printed no %s line; its output:\n%s\n' "$engine" "$b" "$out" >&2
        exit 1
      fi
      results["$engine $b"]+="$value "
    done
  done
done
# Values carry their unit (ns or us); the median is taken of the numbers and given that unit.
for b in $benchmarks; do
  for engine in build build-luajit; do
    values=${results["$engine $b"]}
    unit=$(sed 's/^[0-9.]*\([a-z]*\) .*/\1/' <<<"$values")
    median=$(tr ' ' '\n' <<<"$values" | grep . | sed 's/[a-z]*$//' | sort -g | awk '{ v[NR] = $1 }
      END { printf "%.1f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
    name=lua51
    [ "$engine" = build-luajit ] && name=luajit
    echo "${b}_$name median $median$unit rounds $values"
  done
done
