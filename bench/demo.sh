#!/usr/bin/env bash
# The bundled demo's frames per second and resident memory at frames 300 and 3000, headless.
# Run from the repository root after building; wraps itself in xvfb-run when no display is set.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp -r "$root/res" "$dir/res"
cp "$root/bench/resident_kib.lua" "$dir/res/"
mv "$dir/res/main.lua" "$dir/res/demo.lua"
cat > "$dir/res/main.lua" <<'LUA'
dofile("res/demo.lua")
local demo_update, frames, first = update, 0, nil
local resident_kib = dofile("res/resident_kib.lua")
function update(time, dt)
  demo_update(time, dt)
  frames = frames + 1
  if frames == 1 then first = time end
  if frames == 300 or frames == 3000 then
    print(string.format("frame %d: %.1f frames per second, resident %d KiB",
                        frames, (frames - 1) / (time - first), resident_kib()))
  end
  if frames == 3000 then Quit() end
end
LUA
cd "$dir" && SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$root/build/demohost" | grep '^frame'
