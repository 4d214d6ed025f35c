#!/usr/bin/env bash
# The main job on a built-in default: builds Quirlo and its box emulator, starts the emulator on
# a pseudo-terminal, points COM3 of a demo program folder at it and runs Quirlo on that port.
# Quirlo opens its window when a display is available and runs headless otherwise (it then
# prints the status line and the 24 channel values once a second). Ctrl-C ends both with the
# normal shut-down. DEMO_SECONDS=N stops after N seconds; DEMO_HEADLESS=1 forces the console.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target quirlo quirlo-boxemu QLSim quirlo-calibrate

bin=build/bin
home=${QUIRLO_DEMO_HOME:-$PWD/build/demo-home}
mkdir -p "$home"
link="$home/box.pty"
rm -f "$link"

"$bin/quirlo-boxemu" --pty --pty-link "$link" >/dev/null &
emulator=$!
trap 'kill "$emulator" 2>/dev/null || true; wait "$emulator" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$link" ] && break; sleep 0.05; done
[ -s "$link" ] || { echo "demo: the box emulator did not start" >&2; exit 1; }
device=$(cat "$link")

# COM3 -> the emulator's pseudo-terminal; every other setting of the demo folder is kept.
ini="$home/settings.ini"
touch "$ini"
if grep -q '^\[PORTS\]' "$ini"; then
  sed -i '/^\[PORTS\]/,/^\[/{/^COM3=/d}' "$ini"
  sed -i "s|^\[PORTS\]|[PORTS]\nCOM3=$device|" "$ini"
else
  printf '\n[PORTS]\nCOM3=%s\n' "$device" >>"$ini"
fi
echo "demo: box emulator on $device (COM3), program folder $home"

# A new demo folder starts with every analog input calibrated 0-5 V -> 0..5 and the frequency
# inputs in counts per second, so the readouts show engineering values at once. Calibrations
# made later in the program are kept.
if [ ! -e "$home/analog/analog.txt" ]; then
  calibrate=(--home "$home")
  for n in 1 2 3 4 5 6 7 8; do calibrate+=(--analog "$n" --fixed 0-5V 0 5); done
  for n in 1 2 3 4 5 6; do calibrate+=(--rate "$n" --kfactor 1); done
  "$bin/quirlo-calibrate" "${calibrate[@]}"
fi

args=(--home "$home" --port 3)
[ -n "${DEMO_SECONDS:-}" ] && args+=(--seconds "$DEMO_SECONDS")
if [ -n "${DEMO_HEADLESS:-}" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  args=(--headless "${args[@]}")
fi
"$bin/quirlo" "${args[@]}"
