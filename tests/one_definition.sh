#!/usr/bin/env bash
# Fails when two files define a class or struct of the same name at namespace scope: the engine,
# the tests and the benchmarks link into the same executables, where two such types break the
# one-definition rule with no error from the linker (a test fixture once shared a name with a
# class of demohost-live's). Types local to a function or anonymous are indented or unnamed, and
# are not listed. The bare-window benchmark is a program of its own, and the platform layer's
# Windows side never links beside its POSIX side.
set -euo pipefail
cd "$(dirname "$0")/.."
duplicates=$(grep -rEo --include=*.cpp --include=*.h \
  '^(class|struct) [A-Za-z_][A-Za-z0-9_]*( final)? *(:[^{;]*)?\{' src tests bench |
  grep -v -e '^bench/bare/' -e '^src/platform/win32_' |
  sed -E 's/^([^:]+):(class|struct) ([A-Za-z0-9_]+).*/\3 \1/' | sort -u |
  awk '{ files[$1] = files[$1] " " $2; count[$1]++ }
       END { for (name in count) if (count[name] > 1) print name ":" files[name] }')
if [ -n "$duplicates" ]; then
  echo "types defined in more than one file:"
  echo "$duplicates"
  exit 1
fi
echo "every class and struct has one definition"
