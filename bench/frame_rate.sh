#!/usr/bin/env bash
# Frames per second of a 640 x 480 window over three seconds, with an empty update or with the
# Lua statements given as the argument run in every update, for example:
#   bench/frame_rate.sh 'for i = 1, 20000 do DrawBox(i % 640, (i * 7) % 480, 2, 2, 0, 0) end'
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
body=${1:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/res"
cat > "$dir/res/main.lua" <<LUA
local frames, first
function initialize() OpenWindow(640, 480, "frame rate") end
function update(time)
  $body
  if not first then first, frames = time, 0 return end
  frames = frames + 1
  if time - first >= 3 then
    print(string.format("%.0f frames per second", frames / (time - first)))
    Quit()
  end
end
LUA
cd "$dir" && "$root/build/demohost"
