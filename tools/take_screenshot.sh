#!/usr/bin/env bash
# Takes docs/demo.png: the demo in the chorus scene, 19 seconds after start, on a headless X
# server. Needs xwd and ImageMagick (Debian's x11-apps and imagemagick), installed when missing.
# Run from the repository root after ./test or ./run has built the project.
set -e
for p in x11-apps imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    { [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq "$p" >/dev/null; }
done
display=:57
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null' EXIT
sleep 1
DISPLAY=$display SDL_AUDIODRIVER=dummy timeout 25 build/demohost >/dev/null &
sleep 19
DISPLAY=$display xwd -root -silent | convert xwd:- -crop 800x600+0+0 +repage docs/demo.png
wait
