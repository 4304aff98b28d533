#!/usr/bin/env bash
# Installs what is missing, builds, and starts vortsetup talking to the simulated unit:
# vortsim opens a pseudo-terminal and vortsetup maps COM1 to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build_dir=${BUILD_DIR:-build}
pty_file=$(mktemp)
"$build_dir/unit_simulator/vortsim" --demo > "$pty_file" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$pty_file"' EXIT
for _ in $(seq 50); do [ -s "$pty_file" ] && break; sleep 0.1; done
device=$(head -n 1 "$pty_file")
echo "Simulated unit on $device (COM1)"
"$build_dir/config_tool/vortsetup" --port "COM1=$device"
