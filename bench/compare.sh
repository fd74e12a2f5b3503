#!/usr/bin/env bash
# demohost beside the machine's floor (bench/bare: GLFW + GLEW alone, every vertex of a frame in
# one buffer) and LOVE 11.4, the Lua 2D framework users compare it with, on one display at
# 640 x 480: 20,000 coloured 2 x 2 boxes a frame, 1,000 texts of 39 characters in a 20-pixel font,
# 20,000 gradient lines of 22 pixels (mean frame time over 3 s each), the boxes again with glibc
# told to keep freed memory, and process start to the first update. Every program prints its
# figure on a line that names it; a run without that line stops the script with its output.
# ROUNDS rounds (default 5), every round shown beside the median. Installs LOVE when it is
# missing. Run from the repository root after building.
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
text="The quick brown fox jumps over the lazy"

# demohost: one folder a workload, each with the default font. $2 is the frame's drawing.
demohost_workload() {
  mkdir -p "$dir/$1/res"
  cp -r "$root/res/font" "$dir/$1/res/"
  cat > "$dir/$1/res/main.lua" <<LUA
local frames, first, font
function initialize() OpenWindow(640, 480, "$1") font = LoadFont("res/font/mono-20.fnt", "res/font/") end
function update(time)
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
  for w in boxes text lines; do
    record "demohost $w" "$(cd "$dir/$w" && "$root/build/demohost" 2>&1)" "${w}_ms"
    record "bare $w" "$(cd "$root" && "$root/build/bare_window" "$w" 2>&1)" "${w}_ms"
    record "LOVE $w" "$(love "$dir/love-$w" 2>/dev/null)" "${w}_ms"
  done
  record "demohost boxes, keeping" "$(cd "$dir/boxes" && GLIBC_TUNABLES=$keep "$root/build/demohost" 2>&1)" boxes_ms
  record "LOVE boxes, keeping" "$(GLIBC_TUNABLES=$keep love "$dir/love-boxes" 2>/dev/null)" boxes_ms
  record "demohost start" "$(cd "$dir/start" && to_ready "$root/build/demohost")" start_ms
  record "bare start" "$(to_ready "$root/build/bare_window" startup)" start_ms
  record "LOVE start" "$(to_ready love "$dir/love-start")" start_ms
done

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
m() { printf '%s' "${results[$1]}" | median; }
# Per round, demohost's figure over another's: "LOVE / demohost" reads as "times faster".
ratios() { paste -d' ' <(printf '%s' "${results[$1]}" | tr ' ' '\n' | grep -v '^$') <(printf '%s' "${results[$2]}" | tr ' ' '\n' | grep -v '^$') | awk '{ printf "%.2f ", $2 / $1 }'; }
row() { printf '  %-26s %9s ms   rounds: %s\n' "$1" "$(m "$1")" "${results[$1]}"; }
ratio_row() { local r; r=$(ratios "$2" "$3"); printf '  %-26s %9s      rounds: %s\n' "$1" "$(printf '%s' "$r" | median)" "$r"; }

echo "$rounds rounds on one display; medians, then every round"
for w in boxes text lines; do
  case $w in
    boxes) echo "20,000 coloured 2 x 2 boxes a frame, 640 x 480" ;;
    text) echo "1,000 texts of 39 characters a frame (mono-20; LOVE: its 20-pixel font)" ;;
    lines) echo "20,000 lines of 22 pixels a frame (gradients; LOVE: one colour a line)" ;;
  esac
  row "demohost $w"; row "bare $w"; row "LOVE $w"
  ratio_row "LOVE / demohost" "demohost $w" "LOVE $w"
  ratio_row "demohost / bare" "bare $w" "demohost $w"
done
echo "the boxes, glibc keeping freed memory"
row "demohost boxes, keeping"; row "LOVE boxes, keeping"
ratio_row "LOVE / demohost" "demohost boxes, keeping" "LOVE boxes, keeping"
echo "process start to the first update"
row "demohost start"; row "bare start"; row "LOVE start"
