#!/usr/bin/env bash
# Draws the splash pictures into src/ui/images/: kavrin.bmp (24-bit bitmap, 600x400) and
# tressik.jpg (JPEG, 800x700). Needs python3, g++, pkg-config and Qt 6 (scripts/install-deps.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images="$here/../../src/ui/images"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/make_splash.py" "$images/kavrin.bmp" "$work/tressik.bmp"
# shellcheck disable=SC2046 # pkg-config prints several words on purpose
g++ -std=c++20 -fPIC "$here/bmp_to_jpeg.cpp" -o "$work/bmp_to_jpeg" $(pkg-config --cflags --libs Qt6Gui)
"$work/bmp_to_jpeg" "$work/tressik.bmp" "$images/tressik.jpg" 90
echo "wrote $images/kavrin.bmp and $images/tressik.jpg"
