#!/usr/bin/env bash
# A packed demo beside the built program: the size of the repository's demo packed (.tar.gz,
# .zip, and unpacked), and process start to the first update of a script that opens a 640 x 480
# window and quits there, for build/demohost and for the unpacked launcher started from another
# folder with an empty LD_LIBRARY_PATH. ROUNDS rounds (default 10), every round beside the median.
# Each figure is read from a line that names it; a missing one stops the script. Run from the
# repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
rounds=${ROUNDS:-10}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_AUDIODRIVER=dummy

# Sizes of the repository's demo.
(cd "$root" && build/demohost-pack --name demo "$dir/demo.tar.gz" >/dev/null &&
  build/demohost-pack --name demo "$dir/demo.zip" >/dev/null &&
  build/demohost-pack --name demo "$dir/folder" >/dev/null)
echo "packed_tar_gz_bytes $(stat -c %s "$dir/demo.tar.gz")"
echo "packed_zip_bytes $(stat -c %s "$dir/demo.zip")"
echo "unpacked_bytes $(du -sb "$dir/folder/demo" | cut -f1)"
echo "unpacked_lib_bytes $(du -sb "$dir/folder/demo/lib" | cut -f1)"

# The start-up script, run where it is and packed.
mkdir -p "$dir/start/res"
cp -r "$root/res/font" "$dir/start/res/"
cat > "$dir/start/res/main.lua" <<'LUA'
function initialize() OpenWindow(640, 480, "start") end
function update() print("first_update") Quit() end
LUA
(cd "$dir/start" && "$root/build/demohost-pack" --name start "$dir/packed" >/dev/null)

# Prints "$1 <microseconds>" for one run of command $2 in folder $3, when the run printed
# the first update.
time_start() {
  local start out
  start=$(date +%s%N)
  out=$(cd "$3" && LD_LIBRARY_PATH= "$2")
  if [ "$out" = first_update ]; then
    echo "$1 $(( ($(date +%s%N) - start) / 1000 ))"
  fi
}
for i in $(seq "$rounds"); do
  time_start start_built_us "$root/build/demohost" "$dir/start"
  time_start start_packed_us "$dir/packed/start/start" /
done > "$dir/rounds"

for figure in start_built_us start_packed_us; do
  values=$(awk -v f="$figure" '$1 == f { print $2 }' "$dir/rounds" | tr '\n' ' ')
  count=$(wc -w <<<"$values")
  if [ "$count" -ne "$rounds" ]; then
    echo "missing $figure: $count of $rounds rounds printed the first update" >&2
    exit 1
  fi
  median=$(tr ' ' '\n' <<<"$values" | grep . | sort -n | awk '{ t[NR] = $1 } END {
    print (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2) }')
  echo "$figure median $median rounds $values"
done
