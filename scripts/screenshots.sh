#!/usr/bin/env bash
# Renders the windows from the real widgets into docs/screenshots/: the main window after
# a script run against the virtual unit, the progress window during that run's upload,
# the information window and the Ethernet dialog. Offscreen: no display needed.
# BUILD_DIR sets the build tree (default build-screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-screenshots}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target test_ui_main -j"$(nproc)"
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
    "./$build/tests/test_ui_main" --screenshots docs/screenshots
ls docs/screenshots/*.png
