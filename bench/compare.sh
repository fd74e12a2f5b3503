#!/usr/bin/env bash
# demohost beside the machine's floor (bench/bare: GLFW + GLEW alone, every vertex of a frame in
# one buffer) and LOVE 11.4, the Lua 2D framework users compare it with, on one display at
# 640 x 480: 20,000 coloured 2 x 2 boxes a frame, 1,000 texts of 39 characters in a 20-pixel font,
# 20,000 gradient lines of 22 pixels (mean frame time over 3 s each), the boxes again with glibc
# told to keep freed memory, the script's own work (particles moved in Lua: 200,000 and none
# drawn, then 20,000 and all drawn), and process start to the first update. demohost runs on both
# script engines (build/ with Lua 5.1, build-luajit/ with LuaJIT, which ./test builds). Every
# program prints its figure on a line that names it; a run without that line stops the script with
# its output. ROUNDS rounds (default 5), every round shown beside the median. Installs LOVE when it
# is missing. When the Windows build is there (./test --windows), demohost.exe under Wine draws the
# boxes, texts and lines and starts too. Run from the repository root after building.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
if ! command -v love >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y -qq love >/dev/null
fi
if [ ! -x "$root/build-luajit/demohost" ]; then
  cmake -S "$root" -B "$root/build-luajit" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMOHOST_LUA=luajit >/dev/null
  cmake --build "$root/build-luajit" -j "$(nproc)" --target demohost >/dev/null
fi
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
rounds=${ROUNDS:-5}
wine=""
if [ -x "$root/build-windows/demohost.exe" ]; then
  wine=/usr/lib/wine/wine64
  cd "$root" && . scripts/windows/wine && cd - >/dev/null
fi
keep="glibc.malloc.trim_threshold=268435456:glibc.malloc.mmap_threshold=268435456:glibc.malloc.top_pad=67108864"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_AUDIODRIVER=dummy
text="The quick brown fox jumps over the lazy"

# demohost: one folder a workload, each with the default font. $2 is the frame's drawing, $3 code
# run before the first frame.
demohost_workload() {
  mkdir -p "$dir/$1/res"
  cp -r "$root/res/font" "$dir/$1/res/"
  cat > "$dir/$1/res/main.lua" <<LUA
local frames, first, font
function initialize() OpenWindow(640, 480, "$1") font = LoadFont("res/font/mono-20.fnt", "res/font/") end
$3
function update(time, dt)
  $2
  if not first then first, frames = time, 0 return end
  frames = frames + 1
  if time - first >= 3 then print(string.format("$1_ms %.2f", (time - first) * 1000 / frames)) Quit() end
end
LUA
}
demohost_workload boxes 'for i = 1, 20000 do DrawBoxWithColor(i % 640, (i * 7) % 480, 2, 2, 0, 0, (i % 256) / 255, 0.5, 1, 1) end'
demohost_workload text "for i = 0, 999 do DrawText(font, \"$text\", (i * 37) % 200, (i * 13) % 460, -1, false, 1, 1, 1, 1) end"
demohost_workload lines 'for i = 0, 19999 do local x, y, s = i % 640, (i * 7) % 480, (i % 256) / 255 DrawLine(x, y, x + 18, y + 13, 1, s, 0.5, 1, 1, 1, 0.5, s, 1) end'
# The script workload: N particles in four arrays moved by v * dt, bounced at 640 x 480, each given
# a colour, the first D drawn as 2 x 2 boxes by the draw call $3 (of px, py, c).
particles() {
  cat <<LUA
local N, D = $1, $2
local x, y, vx, vy, colour = {}, {}, {}, {}, {}
for i = 1, N do
  x[i], y[i] = (i * 7) % 640, (i * 13) % 480
  vx[i], vy[i] = (i % 17 - 8) * 10, (i % 13 - 6) * 10
end
local sin = math.sin
function step(dt)
  for i = 1, N do
    local px, py = x[i] + vx[i] * dt, y[i] + vy[i] * dt
    if px < 0 or px > 640 then vx[i] = -vx[i] end
    if py < 0 or py > 480 then vy[i] = -vy[i] end
    x[i], y[i] = px, py
    colour[i] = 0.5 + 0.5 * sin(px * 0.01 + py * 0.02)
  end
  for i = 1, D do
    local px, py, c = x[i], y[i], colour[i]
    $3
  end
end
LUA
}
demohost_draw='DrawBoxWithColor(px, py, 2, 2, 0, 0, c, 0.5, 1, 1)'
demohost_workload script_compute 'step(dt)' "$(particles 200000 0 "$demohost_draw")"
demohost_workload script_drawn 'step(dt)' "$(particles 20000 20000 "$demohost_draw")"
mkdir -p "$dir/start/res"
cp -r "$root/res/font" "$dir/start/res/"
cat > "$dir/start/res/main.lua" <<'LUA'
function initialize() OpenWindow(640, 480, "start") end
function update() print("ready") Quit() end
LUA

# LOVE: the same workloads. Lines take one colour each: LOVE draws no gradient lines.
love_workload() {
  mkdir -p "$dir/love-$1"
  cat > "$dir/love-$1/conf.lua" <<'LUA'
function love.conf(t)
  t.window.width, t.window.height, t.window.vsync = 640, 480, 0
  t.modules.audio, t.modules.sound, t.modules.joystick, t.modules.physics = false, false, false, false
end
LUA
  cat > "$dir/love-$1/main.lua" <<LUA
io.stdout:setvbuf("no")
$3
local frames, elapsed, font = -1, 0
function love.load() font = love.graphics.newFont(20) love.graphics.setFont(font) love.graphics.setLineStyle("rough") end
function love.update(dt)
  frames = frames + 1
  if frames > 0 then elapsed = elapsed + dt end
  if elapsed >= 3 then print(string.format("$1_ms %.2f", elapsed * 1000 / frames)) love.event.quit() end
end
function love.draw()
  $2
end
LUA
}
love_workload boxes 'for i = 1, 20000 do love.graphics.setColor((i % 256) / 255, 0.5, 1, 1) love.graphics.rectangle("fill", i % 640 - 1, (i * 7) % 480 - 1, 2, 2) end'
love_workload text "love.graphics.setColor(1, 1, 1, 1) for i = 0, 999 do love.graphics.print(\"$text\", (i * 37) % 200, (i * 13) % 460) end"
love_workload lines 'for i = 0, 19999 do local x, y = i % 640, (i * 7) % 480 love.graphics.setColor((i % 256) / 255, 0.5, 1, 1) love.graphics.line(x, y, x + 18, y + 13) end'
love_draw='love.graphics.setColor(c, 0.5, 1, 1) love.graphics.rectangle("fill", px - 1, py - 1, 2, 2)'
love_workload script_compute 'step(love.timer.getDelta())' "$(particles 200000 0 "$love_draw")"
love_workload script_drawn 'step(love.timer.getDelta())' "$(particles 20000 20000 "$love_draw")"
mkdir -p "$dir/love-start"
cat "$dir/love-boxes/conf.lua" > "$dir/love-start/conf.lua"
cat > "$dir/love-start/main.lua" <<'LUA'
io.stdout:setvbuf("no")
function love.update() print("ready") love.event.quit() end
LUA

# The value on the line of `output` that starts with `name`; stops the script when there is none.
figure() {
  local output=$1 name=$2 what=$3 value
  value=$(printf '%s\n' "$output" | awk -v n="$name" '$1 == n { print $2; exit }')
  if [ -z "$value" ]; then
    printf 'compare.sh: %s printed no "%s" line; its output:\n%s\n' "$what" "$name" "$output" >&2
    exit 1
  fi
  printf '%s\n' "$value"
}

# Milliseconds from the start of the command to its line "ready" (printed in the first update, or
# after the bare program's first frame): the teardown is not counted. Other lines are shown.
to_ready() {
  local start=$(date +%s%N)
  "$@" 2>/dev/null | {
    while read -r line; do
      if [ "$line" = ready ]; then
        awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "start_ms %.1f\n", (b - a) / 1e6 }'
        break
      fi
      printf '%s\n' "$line"
    done
    cat >/dev/null
  }
}

declare -A results
record() { results[$1]+="$(figure "$2" "$3" "$1") "; }
for round in $(seq "$rounds"); do
  for w in boxes text lines script_compute script_drawn; do
    record "demohost $w" "$(cd "$dir/$w" && "$root/build/demohost" 2>&1)" "${w}_ms"
    record "demohost-jit $w" "$(cd "$dir/$w" && "$root/build-luajit/demohost" 2>&1)" "${w}_ms"
    case $w in
      script_*) ;;
      *)
        record "bare $w" "$(cd "$root" && "$root/build/bare_window" "$w" 2>&1)" "${w}_ms"
        [ -z "$wine" ] ||
          record "demohost-wine $w" "$(cd "$dir/$w" && $wine "$root/build-windows/demohost.exe" 2>&1)" "${w}_ms"
        ;;
    esac
    record "LOVE $w" "$(love "$dir/love-$w" 2>/dev/null)" "${w}_ms"
  done
  record "demohost boxes, keeping" "$(cd "$dir/boxes" && GLIBC_TUNABLES=$keep "$root/build/demohost" 2>&1)" boxes_ms
  record "LOVE boxes, keeping" "$(GLIBC_TUNABLES=$keep love "$dir/love-boxes" 2>/dev/null)" boxes_ms
  record "demohost start" "$(cd "$dir/start" && to_ready "$root/build/demohost")" start_ms
  record "demohost-jit start" "$(cd "$dir/start" && to_ready "$root/build-luajit/demohost")" start_ms
  record "bare start" "$(to_ready "$root/build/bare_window" startup)" start_ms
  [ -z "$wine" ] ||
    record "demohost-wine start" "$(cd "$dir/start" && to_ready $wine "$root/build-windows/demohost.exe")" start_ms
  record "LOVE start" "$(to_ready love "$dir/love-start")" start_ms
done

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
m() { printf '%s' "${results[$1]}" | median; }
# Per round, demohost's figure over another's: "LOVE / demohost" reads as "times faster".
ratios() { paste -d' ' <(printf '%s' "${results[$1]}" | tr ' ' '\n' | grep -v '^$') <(printf '%s' "${results[$2]}" | tr ' ' '\n' | grep -v '^$') | awk '{ printf "%.2f ", $2 / $1 }'; }
row() { printf '  %-26s %9s ms   rounds: %s\n' "$1" "$(m "$1")" "${results[$1]}"; }
ratio_row() { local r; r=$(ratios "$2" "$3"); printf '  %-26s %9s      rounds: %s\n' "$1" "$(printf '%s' "$r" | median)" "$r"; }

echo "$rounds rounds on one display; medians, then every round"
for w in boxes text lines script_compute script_drawn; do
  case $w in
    boxes) echo "20,000 coloured 2 x 2 boxes a frame, 640 x 480" ;;
    text) echo "1,000 texts of 39 characters a frame (mono-20; LOVE: its 20-pixel font)" ;;
    lines) echo "20,000 lines of 22 pixels a frame (gradients; LOVE: one colour a line)" ;;
    script_compute) echo "script: 200,000 particles moved in Lua, none drawn" ;;
    script_drawn) echo "script: 20,000 particles moved in Lua, all drawn as 2 x 2 boxes" ;;
  esac
  row "demohost $w"; row "demohost-jit $w"
  [ -n "${results["bare $w"]}" ] && row "bare $w"
  if [ -n "${results["demohost-wine $w"]}" ]; then
    row "demohost-wine $w"
    ratio_row "Wine / Linux" "demohost $w" "demohost-wine $w"
  fi
  row "LOVE $w"
  ratio_row "LOVE / demohost" "demohost $w" "LOVE $w"
  ratio_row "LOVE / demohost-jit" "demohost-jit $w" "LOVE $w"
  if [ -n "${results["bare $w"]}" ]; then
    ratio_row "demohost / bare" "bare $w" "demohost $w"
  fi
done
echo "the boxes, glibc keeping freed memory"
row "demohost boxes, keeping"; row "LOVE boxes, keeping"
ratio_row "LOVE / demohost" "demohost boxes, keeping" "LOVE boxes, keeping"
echo "process start to the first update"
row "demohost start"; row "demohost-jit start"; row "bare start"; row "LOVE start"
[ -z "$wine" ] || row "demohost-wine start"
