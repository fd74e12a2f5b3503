#!/usr/bin/env bash
# Runs demohost on clean Debian roots made with debootstrap: on Debian 12 the Debian package
# installed with apt runs a script in a user's folder; on Debian 12 and 13 a packed demo runs on a
# root that has only the X server, Mesa's drivers (with gbm and drm), the X and Wayland client
# libraries, xkbcommon and the sound clients: a desktop without SDL2.
# Needs root and Debian's mirror. Run from the repository root after building; WORK (default
# /var/tmp/demohost-debian) keeps the downloaded base roots between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${WORK:-/var/tmp/demohost-debian}
mirror=http://deb.debian.org/debian
mkdir -p "$work"

# A fresh copy of the base root of Debian suite $2 in $work/$1, with /proc and /dev for what runs
# in it.
fresh_root() {
  [ -x "$work/base-$2/bin/sh" ] ||
    debootstrap --variant=minbase "$2" "$work/base-$2" "$mirror" >/dev/null
  rm -rf "${work:?}/$1"
  cp -a "$work/base-$2" "$work/$1"
  mount -t proc proc "$work/$1/proc"
  mount --bind /dev "$work/$1/dev"
  cp /etc/resolv.conf "$work/$1/etc/resolv.conf"
}
leave_root() {
  umount "$work/$1/proc" "$work/$1/dev" 2>/dev/null || true
}
trap 'leave_root package; leave_root packed-bookworm; leave_root packed-trixie' EXIT
in_root() {
  chroot "$work/$1" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root /bin/sh -c "$2"
}

# The script the checks run: its arguments, the overlay in the default font, music and a sync
# point, then a quit after 30 frames.
write_demo() {
  mkdir -p "$1/res/music"
  cp "$root/res/music/four-chords.wav" "$1/res/music/"
  cat >"$1/res/main.lua" <<'LUA'
local frames, synced = 0, false
function initialize(args)
  print("args " .. table.concat(args, ","))
  OpenWindow(320, 240, "check")
  ShowProfiling(true)
  PlayMusicWithSync("res/music/four-chords.wav", {0.2, "beat"})
end
function MusicSync(name) print("sync " .. name) synced = true end
function update()
  frames = frames + 1
  if frames == 30 then print("frames 30") end
  if (frames >= 30 and synced) or frames > 3000 then Quit() end
end
LUA
}

(cd "$root/build" && cpack -G DEB >/dev/null)
deb=$(cd "$root/build" && ls demohost_*_amd64.deb)

echo "== the package, installed with apt"
fresh_root package bookworm
cp "$root/build/$deb" "$work/package/tmp/"
in_root package "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
  /tmp/$deb xvfb xauth >/dev/null 2>&1 && dpkg -s demohost | grep -E '^(Status|Version)'"
write_demo "$work/package/home/user/demo"
in_root package "cd /home/user/demo && SDL_AUDIODRIVER=dummy xvfb-run -a demohost one two; echo status \$?"
in_root package "cd /home/user/demo && demohost-pack /tmp/demo.zip && ls -l /tmp/demo.zip"

echo "== a packed demo"
write_demo "$work/packed-demo/demo"
(cd "$work/packed-demo/demo" && "$root/build/demohost-pack" --force --name party \
  "$work/party.tar.gz")
for suite in bookworm trixie; do
  echo "== on $suite"
  sound=libasound2
  [ "$suite" = bookworm ] || sound=libasound2t64
  fresh_root "packed-$suite" "$suite"
  in_root "packed-$suite" "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install \
    -y -qq --no-install-recommends xvfb xauth libgl1-mesa-dri libglx-mesa0 libgl1 libglx0 \
    libopengl0 libx11-6 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2 libxss1 libxinerama1 \
    libxxf86vm1 libxkbcommon0 libwayland-client0 libwayland-cursor0 libwayland-egl1 \
    libgbm1 libdrm2 $sound libpulse0 >/dev/null 2>&1"
  mkdir -p "$work/packed-$suite/home/user"
  tar -xzf "$work/party.tar.gz" -C "$work/packed-$suite/home/user"
  echo "the bundled libraries on the system (none):"
  in_root "packed-$suite" "dpkg-query -W liblua5.1-0 libsdl2-2.0-0 libsndfile1 libglfw3 2>&1 || true"
  echo "libraries of the bundled program from outside the bundle:"
  in_root "packed-$suite" "LD_LIBRARY_PATH= ldd /home/user/party/demohost |
    grep -v /home/user/party/lib/ | awk '{ print \$1 }' | tr '\n' ' '; echo"
  in_root "packed-$suite" "cd / && SDL_AUDIODRIVER=dummy LD_LIBRARY_PATH= xvfb-run -a \
    /home/user/party/party one two; echo status \$?"
  leave_root "packed-$suite"
done
