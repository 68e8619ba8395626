#!/usr/bin/env bash
# The demo: installs what is missing, builds, puts a virtual unit on a pseudo-terminal
# mapped to COM1 and runs Zarvex in demo/, whose LoaderDefault.ini runs demo.sld in
# automatic mode. It ends with what the unit received, and fails unless the unit got
# the demo image intact.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh

# The normal build of test.sh; ZARVEX_BUILD_DIR puts it elsewhere.
build=${ZARVEX_BUILD_DIR:-build}
echo "== build ($build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target zarvex zarvex-unit
build=$(cd "$build" && pwd)

run_dir=demo/run
image=$run_dir/demo_image.bin
unit_log=$run_dir/unit.log
mkdir -p "$run_dir"
rm -f "$unit_log" "$run_dir/unit.out"

# A demo image of 11 load blocks, the same on every run.
for i in $(seq 1 700); do printf 'ZARVEX DEMO IMAGE, LINE %05d\n' "$i"; done >"$image"

echo "== virtual unit"
"$build/tools/zarvex-unit/zarvex-unit" --pty --log "$unit_log" --timeout 900 >"$run_dir/unit.out" &
unit_pid=$!
trap 'kill "$unit_pid" 2>/dev/null || true; wait "$unit_pid" 2>/dev/null || true' EXIT
pty=""
for _ in $(seq 1 100); do
    pty=$(sed -n 's/^PTY //p' "$run_dir/unit.out")
    [ -n "$pty" ] && break
    sleep 0.1
done
[ -n "$pty" ] || { echo "run.sh: the virtual unit did not start" >&2; exit 1; }
echo "zarvex-unit on $pty, mapped to COM1"

# COM1 is the unit; every other COM number is taken away so that nothing else is probed.
com_env=(ZARVEX_COM1="$pty")
for n in $(seq 2 16); do com_env+=("ZARVEX_COM$n="); done
zarvex_args=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    zarvex_args+=(--headless)
    echo "== Zarvex, headless (no display): messages on stderr, the unit's output on stdout"
else
    echo "== Zarvex, with its window"
fi
(cd demo && env "${com_env[@]}" timeout 600 "$build/src/zarvex" "${zarvex_args[@]}") || {
    echo "run.sh: Zarvex did not end normally (status $?)" >&2
}
echo

# The 16-bit byte sum the load header announces, in hexadecimal.
sum16() { od -An -v -tu1 "$1" | awk '{ for (i = 1; i <= NF; i++) s = (s + $i) % 65536 } END { printf "%x", s }'; }
field() { sed -n "s/.*\"$1\":\"\{0,1\}\([^\",}]*\).*/\1/p" <<<"$2"; }

expected_size=$(wc -c <"$image")
expected_sum=$(sum16 "$image")
received=$(grep '"event":"image"' "$unit_log" | tail -n 1 || true)
echo "== What the unit received"
if [ -z "$received" ]; then
    echo "  no image at all (the unit's log is $unit_log)"
    echo "FAILED: the demo image did not reach the unit"
    exit 1
fi
size=$(field size "$received")
sum=$(field sum "$received")
verdict=$(field verdict "$received")
echo "  size:     $size bytes (the demo image has $expected_size)"
echo "  checksum: $sum (the demo image sums to $expected_sum)"
echo "  verdict:  $verdict"
if [ "$verdict" = ok ] && [ "$size" = "$expected_size" ] && [[ $sum =~ ^[0-9a-fA-F]+$ ]] && ((16#$sum == 16#$expected_sum)); then
    echo "PASSED: the unit received the demo image intact"
else
    echo "FAILED: the unit did not receive the demo image intact"
    exit 1
fi
