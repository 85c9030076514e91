#!/usr/bin/env bash
# Reads the connected window the way a screen reader does, over AT-SPI: starts the simulator on
# a random loopback address, an X server, the accessibility bus and the program connected over
# TCP, then walks every page through the sidebar's own accessible actions (tools/atspi-walk.py).
# Needs xvfb, dbus and python3-pyatspi (apt-get install xvfb dbus python3-pyatspi).
#   tools/atspi-check.sh [BUILD_DIR] [kestrel-sim options…]      BUILD_DIR defaults to build/asan
set -euo pipefail
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" || -z "${ATSPI_CHECK_INNER:-}" ]]; then
    ATSPI_CHECK_INNER=1 exec dbus-run-session -- "$0" "$@"
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$root/build/asan}")"
shift || true
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
export ASAN_OPTIONS="detect_leaks=0:strict_string_checks=1:suppressions=$root/tests/support/asan.supp"

"$build/tests/sim/kestrel-sim" --random-host "$@" >"$work/sim.out" 2>&1 &
pids+=($!)
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1600x1000x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q listening "$work/sim.out" && break; sleep 0.1; done
host="$(grep -oE '127\.[0-9.]+' "$work/sim.out" | head -1)"
export DISPLAY="$display"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)

# The window finds the simulator as a user's saved network host.
mkdir -p "$work/config/Tessaline"
printf '[General]\nuseNetwork=true\nnetworkHost=%s\n' "$host" >"$work/config/Tessaline/Tessaline DSP Control.conf"
sleep 1
XDG_CONFIG_HOME="$work/config" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb \
    "$build/tessaline-dsp-control" >"$work/app.log" 2>&1 &
pids+=($!)
sleep 8
/usr/bin/python3 "$root/tools/atspi-walk.py"
