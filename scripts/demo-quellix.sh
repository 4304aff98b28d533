#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quellix listening with a simulated unit sending
# it a position every 2 seconds from 127.0.0.1. Type a command, press "Send Data", and the unit
# prints it when the next acknowledgement brings it. PORT=n changes the port (6081, the
# UDP server port in the demonstration unit's configuration).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build_dir=${BUILD_DIR:-build}
port=${PORT:-6081}
receiver=""
unit=""
trap '[ -n "$unit" ] && kill $unit 2>/dev/null; [ -n "$receiver" ] && kill $receiver 2>/dev/null; true' EXIT
"$build_dir/realtime_receiver/Quellix" --listen "$port" &
receiver=$!
sleep 1
"$build_dir/unit_simulator/vortsim-udp" --realtime "$port" &
unit=$!
wait $receiver
