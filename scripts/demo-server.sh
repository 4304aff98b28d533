#!/usr/bin/env bash
# Installs what is missing, builds, and starts Server with a simulated unit calling it on
# 127.0.0.1: vortsim-udp asks for a configuration, a camera table and an operating system in
# turn, calling again every few seconds until Server serves it. PORT=n changes the port (6082, the
# OS upload port in the demonstration unit's configuration).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build_dir=$(realpath "${BUILD_DIR:-build}")
port=${PORT:-6082}
# Server's working folder: its log.txt and the files it sends (V610/ holds the operating system).
work=$(mktemp -d -t vort-server-demo.XXXXXX)
cp -r packaging/demo/. "$work/"
server=""
unit=""
trap '[ -n "$unit" ] && kill $unit 2>/dev/null; [ -n "$server" ] && kill $server 2>/dev/null; rm -rf "$work"' EXIT

cat <<TEXT
Server works in $work (log.txt is written there).
In the Server window (it starts in that folder, so its lists already show it):
  1. Port $port: type it under "Port:" if it differs, press "&Set host/port".
  2. Drive1 (operating system) already names that folder, which holds V610/.
  3. With "Configuration File Update" chosen, click sample-configuration.txt in the file list;
     choose "GPS Locations Table Update!" and click camera-table.txt.
  4. Press "&Start".
The simulated unit asks for CONFIG, GPSLOC and UPLOAD in turn; its side is printed below.
TEXT
(cd "$work" && exec "$build_dir/download_server/Server") &
server=$!
"$build_dir/unit_simulator/vortsim-udp" --server "$port" &
unit=$!
wait $server
