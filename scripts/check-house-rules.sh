#!/usr/bin/env bash
# Fails when product code waits by blocking the event loop: a nested event loop
# (processEvents, QEventLoop), a polling wait (waitUntil) or a sleep. Every wait of the programs
# is a state of an exchange, resumed by characters, datagrams, ticks, clicks or port faults.
# Lists each line that breaks the rule.
set -euo pipefail
cd "$(dirname "$0")/.."
# The folders held to the rule so far; download_server and realtime_receiver join once their
# listening no longer blocks.
folders=(common config_tool)
# TickClock's blocking wait stays for the Server and Quellix until then.
excluded='^common/tick_clock\.(h|cpp):'
pattern='\b(processEvents|QEventLoop|waitUntil)\b|\b(u|m|s|nano)?sleep(_for|_until)?[[:space:]]*\(|QThread::(u|m)?sleep'
found=$(git grep -nE "$pattern" -- "${folders[@]/%//*.cpp}" "${folders[@]/%//*.h}" |
  grep -vE "$excluded" || true)
if [ -n "$found" ]; then
  echo "Blocking waits in product code (processEvents, QEventLoop, waitUntil, sleep):"
  printf '  %s\n' "$found"
  exit 1
fi
echo "house rules: no blocking wait in ${folders[*]}"
