#!/usr/bin/env bash
# demohost beside the machine's floor (bench/bare: GLFW + GLEW alone) and LOVE 11.4, the Lua 2D
# framework users compare it with, on one display: 20,000 coloured 2 x 2 boxes a frame at
# 640 x 480 (mean frame time over 3 s), the same with glibc told to keep freed memory, and process
# start to the first update. ROUNDS rounds (default 5); medians and ratios. Installs LOVE when it
# is missing. Run from the repository root after building.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
if ! command -v love >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y -qq love >/dev/null
fi
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
rounds=${ROUNDS:-5}
keep="glibc.malloc.trim_threshold=268435456:glibc.malloc.mmap_threshold=268435456:glibc.malloc.top_pad=67108864"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_AUDIODRIVER=dummy

mkdir -p "$dir/boxes/res" "$dir/start/res" "$dir/love-boxes" "$dir/love-start"
cat > "$dir/boxes/res/main.lua" <<'LUA'
local frames, first
function initialize() OpenWindow(640, 480, "boxes") end
function update(time)
  for i = 1, 20000 do DrawBoxWithColor(i % 640, (i * 7) % 480, 2, 2, 0, 0, (i % 256) / 255, 0.5, 1, 1) end
  if not first then first, frames = time, 0 return end
  frames = frames + 1
  if time - first >= 3 then print(string.format("%.2f", (time - first) * 1000 / frames)) Quit() end
end
LUA
cat > "$dir/start/res/main.lua" <<'LUA'
function initialize() OpenWindow(640, 480, "start") end
function update() print("ready") Quit() end
LUA
for game in love-boxes love-start; do
  cat > "$dir/$game/conf.lua" <<'LUA'
function love.conf(t)
  t.window.width, t.window.height, t.window.vsync = 640, 480, 0
  t.modules.audio, t.modules.sound, t.modules.joystick, t.modules.physics = false, false, false, false
end
LUA
done
cat > "$dir/love-boxes/main.lua" <<'LUA'
local frames, elapsed = -1, 0
function love.update(dt)
  frames = frames + 1
  if frames > 0 then elapsed = elapsed + dt end
  if elapsed >= 3 then print(string.format("%.2f", elapsed * 1000 / frames)) love.event.quit() end
end
function love.draw()
  for i = 1, 20000 do
    love.graphics.setColor((i % 256) / 255, 0.5, 1, 1)
    love.graphics.rectangle("fill", i % 640 - 1, (i * 7) % 480 - 1, 2, 2)
  end
end
LUA
cat > "$dir/love-start/main.lua" <<'LUA'
io.stdout:setvbuf("no")
function love.update() print("ready") love.event.quit() end
LUA

# Milliseconds from the start of the command to its first line of output (printed in the first
# update, or after the bare program's first frame): the teardown is not counted.
to_first_line() {
  local start=$(date +%s%N)
  "$@" 2>/dev/null | {
    read -r _
    awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f\n", (b - a) / 1e6 }'
    cat >/dev/null
  }
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A results
for round in $(seq "$rounds"); do
  results[boxes]+="$(cd "$dir/boxes" && "$root/build/demohost")"$'\n'
  results[boxes_keep]+="$(cd "$dir/boxes" && GLIBC_TUNABLES=$keep "$root/build/demohost")"$'\n'
  results[bare_boxes]+="$("$root/build/bare_window" boxes)"$'\n'
  results[love_boxes]+="$(love "$dir/love-boxes" 2>/dev/null | tail -n 1)"$'\n'
  results[love_boxes_keep]+="$(GLIBC_TUNABLES=$keep love "$dir/love-boxes" 2>/dev/null | tail -n 1)"$'\n'
  results[start]+="$(cd "$dir/start" && to_first_line "$root/build/demohost")"$'\n'
  results[bare_start]+="$(to_first_line "$root/build/bare_window" startup)"$'\n'
  results[love_start]+="$(to_first_line love "$dir/love-start")"$'\n'
done
m() { printf '%s' "${results[$1]}" | grep -v '^$' | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }
printf '%-58s %10s %10s %10s %8s\n' "measure ($rounds rounds, medians)" demohost bare LOVE "vs LOVE"
printf '%-58s %10s %10s %10s %8s\n' "20,000 coloured 2 x 2 boxes a frame, ms" "$(m boxes)" "$(m bare_boxes)" "$(m love_boxes)" "$(ratio "$(m boxes)" "$(m love_boxes)")"
printf '%-58s %10s %10s %10s %8s\n' "the same, glibc keeping freed memory, ms" "$(m boxes_keep)" "-" "$(m love_boxes_keep)" "$(ratio "$(m boxes_keep)" "$(m love_boxes_keep)")"
printf '%-58s %10s %10s %10s %8s\n' "process start to the first update, ms" "$(m start)" "$(m bare_start)" "$(m love_start)" "$(ratio "$(m start)" "$(m love_start)")"
