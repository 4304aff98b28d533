#!/usr/bin/env bash
# Prints the line and branch coverage of the product code from a build configured with
# -DVORT_COVERAGE=ON whose tests have run:
#   scripts/coverage.sh [BUILD_DIR] [--json FILE]
# The figure counts common/, config_tool/, download_server/ and realtime_receiver/ (the aim
# is 90% of their lines), then unit_simulator/ on its own line; tests, bench/, scripts/, the
# moc output and the programs' main.cpp files are left out. Each file below 90% is listed
# with the lines it leaves uncovered. --json also writes gcovr's per-file summary to FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-sanitize
json=
while [ $# -gt 0 ]; do
  case "$1" in
    --json) json=$2; shift 2 ;;
    *) build=$1; shift ;;
  esac
done
summary=$(mktemp)
# gcovr replaces the file its text report goes to, so that report goes to a scratch file (given
# /dev/null, it turned the device into a plain file).
report=$(mktemp)
trap 'rm -f "$summary" "$report"' EXIT
# Exception and compiler-made branches are not decisions of ours: leave them out.
gcovr --root . --object-directory "$build" -j "${JOBS:-2}" \
  --filter 'common/' --filter 'config_tool/' --filter 'download_server/' \
  --filter 'realtime_receiver/' --filter 'unit_simulator/' --exclude '.*/main\.cpp$' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$summary" --txt "$report"
[ -z "$json" ] || cp "$summary" "$json"
python3 - "$summary" <<'EOF'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
groups = {"product": ("common/", "config_tool/", "download_server/", "realtime_receiver/"),
          "unit_simulator": ("unit_simulator/",)}
def figure(rows, kind):
    total = sum(r[kind + "_total"] for r in rows)
    covered = sum(r[kind + "_covered"] for r in rows)
    return f"{100.0 * covered / total:5.1f}% of {total:5d}" if total else "    -"
print(f"{'coverage':<20} {'lines':>16}   {'branches':>16}")
for folder in ("common/", "config_tool/", "download_server/", "realtime_receiver/", "unit_simulator/"):
    rows = [f for f in files if f["filename"].startswith(folder)]
    print(f"{folder:<20} {figure(rows, 'line')}   {figure(rows, 'branch')}")
rows = [f for f in files if f["filename"].startswith(groups["product"])]
print(f"{'product (4 folders)':<20} {figure(rows, 'line')}   {figure(rows, 'branch')}")
low = sorted((f for f in rows if f["line_total"] and f["line_covered"] < 0.9 * f["line_total"]),
             key=lambda f: f["line_covered"] / f["line_total"])
if low:
    print("\nfiles under 90% of lines:")
    for f in low:
        print(f"  {100.0 * f['line_covered'] / f['line_total']:5.1f}%  {f['filename']}")
EOF
