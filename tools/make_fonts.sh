#!/usr/bin/env bash
# Renders the committed bitmap fonts from the DejaVu faces: the overlay's res/font/mono-20.fnt and
# the demo's title font res/font/title-40.fnt (each with its page image). Run from the repository
# root after building.
set -e
faces=/usr/share/fonts/truetype/dejavu
build/make_font "$faces/DejaVuSansMono.ttf" 20 res/font mono-20
build/make_font "$faces/DejaVuSans-Bold.ttf" 40 res/font title-40
