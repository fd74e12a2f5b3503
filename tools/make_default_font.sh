#!/usr/bin/env bash
# Renders the default overlay font res/font/mono-20.fnt (and its page) from DejaVu Sans Mono.
# Run from the repository root after building.
set -e
build/make_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf 20 res/font mono-20
