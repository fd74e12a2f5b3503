#!/usr/bin/env bash
# Frames per second of the host alone: an empty update in a 640 x 480 window for three seconds.
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a "$0" "$@"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/res"
cat > "$dir/res/main.lua" <<'LUA'
local frames, first
function initialize() OpenWindow(640, 480, "frame rate") end
function update(time)
  if not first then first, frames = time, 0 return end
  frames = frames + 1
  if time - first >= 3 then
    print(string.format("empty update, 640 x 480: %.0f frames per second", frames / (time - first)))
    Quit()
  end
end
LUA
cd "$dir" && "$root/build/demohost"
