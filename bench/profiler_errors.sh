#!/usr/bin/env bash
# Memory and frame time over 1000 frames of 2000 caught errors a frame, under the zones hook and
# under the script function profiler (logging to /dev/null). Both must stay flat. Headless; run
# from the repository root after building (DEMOHOST names another build's program to compare).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/res"
cp -r "$root/res/font" "$dir/res/font"
cp "$root/bench/resident_kib.lua" "$dir/res/"
for which in zones profiler; do
  cat > "$dir/res/main.lua" <<LUA
local which, frames, spent = "$which", 0, 0
local resident_kib = dofile("res/resident_kib.lua")
function initialize()
  OpenWindow(320, 240, "errors")
  if which == "zones" then package.loadlib("", "luaopen_ZoneLua")().start()
  else profiler.start("/dev/null") end
end
function failing() error("caught") end
function update(time, dt)
  frames = frames + 1
  if frames > 1 then spent = spent + dt end
  for i = 1, 2000 do pcall(failing) end
  if frames % 250 == 0 then
    print(string.format("%s frame %4d: resident %6d KiB, mean frame %.2f ms", which, frames,
                        resident_kib(), spent / 250 * 1000))
    spent = 0
  end
  if frames == 1000 then Quit() end
end
LUA
  (cd "$dir" && SDL_AUDIODRIVER=dummy "${DEMOHOST:-$root/build/demohost}" | grep "frame")
done
