#!/usr/bin/env bash
# Makes the demo's generated media when they are missing: its music track and its sprite.
# Run from the repository root after building; the set-up of ./run and ./test runs it.
set -e
mkdir -p res/music res/images
[ -f res/music/four-chords.wav ] || build/make_demo_music res/music/four-chords.wav
[ -f res/images/star.png ] || build/make_sprite res/images/star.png
