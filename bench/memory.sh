#!/usr/bin/env bash
# Resident memory of a script that draws boxes, lines and text and reads the spectrum every frame
# while music plays, at frames 1000 and 10,000 (it must stay flat). Headless; run from the
# repository root after building.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp -r "$root/res" "$dir/res"
cp "$root/bench/resident_kib.lua" "$dir/res/"
cat > "$dir/res/main.lua" <<'LUA'
local frames, font = 0, 0
local resident_kib = dofile("res/resident_kib.lua")
function initialize()
  OpenWindow(640, 480, "memory")
  font = LoadFont("res/font/mono-20.fnt", "res/font/")
  PlayMusicWithSync("res/music/four-chords.wav", {1, "one", 2, "two"})
end
function MusicSync() end
function MusicEnd() end
function update(time)
  local spectrum = GetSpectrum()
  for i = 1, 500 do DrawBoxWithColor(i % 640, (i * 7) % 480, 4, 4, i, 0, 1, spectrum[i % 512 + 1], 0, 1) end
  for i = 1, 200 do DrawLine(0, i * 2, 640, 480 - i * 2, 1, 1, 0, 0, 1, 0, 0, 1, 1) end
  DrawText(font, string.format("frame %d at %.2f s", frames, time), 320, 20, 300, true, 1, 1, 1, 1)
  frames = frames + 1
  if frames == 1000 or frames == 10000 then
    print(string.format("frame %d: resident %d KiB", frames, resident_kib()))
  end
  if frames == 10000 then Quit() end
end
LUA
cd "$dir" && SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$root/build/demohost" | grep '^frame'
