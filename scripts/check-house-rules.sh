#!/usr/bin/env bash
# Fails when product code waits by blocking the event loop: a nested event loop
# (processEvents, QEventLoop, a modal exec() or a static dialog such as QMessageBox::warning),
# a polling wait (waitUntil) or a sleep. Every wait of the programs
# is a state of an exchange, resumed by characters, datagrams, ticks, clicks or port faults.
# Lists each line that breaks the rule.
set -euo pipefail
cd "$(dirname "$0")/.."
folders=(common config_tool download_server realtime_receiver)
pattern='\b(processEvents|QEventLoop|waitUntil)\b|\b(u|m|s|nano)?sleep(_for|_until)?[[:space:]]*\(|QThread::(u|m)?sleep'
files=("${folders[@]/%//*.cpp}" "${folders[@]/%//*.h}")
# exec() runs a loop of its own, apart from the application's one and a database query's.
modal='(->|\.)exec\(\)|\b(QMessageBox::(information|warning|critical|question|about)|(QFileDialog|QInputDialog|QColorDialog|QFontDialog)::get[A-Za-z]*)[[:space:]]*\('
found=$({
  git grep -nE "$pattern" -- "${files[@]}" || true
  git grep -nE "$modal" -- "${files[@]}" | grep -vE '\b(query|app)\.exec\(\)' || true
})
if [ -n "$found" ]; then
  echo "Blocking waits in product code (processEvents, QEventLoop, modal exec, waitUntil, sleep):"
  printf '  %s\n' "$found"
  exit 1
fi
echo "house rules: no blocking wait in ${folders[*]}"
