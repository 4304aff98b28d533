#!/usr/bin/env bash
# Builds everything and runs every benchmark, printing one Markdown table (measured, floor,
# ratio, target for each row) and the machine it ran on. Nothing here fails on a time.
#   bash scripts/bench.sh            the full run (a few minutes)
#   bash scripts/bench.sh --quick    a short smoke pass (fewer exchanges, 1 s idle windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
bash scripts/build.sh >/dev/null
export QT_QPA_PLATFORM=offscreen
export QT_LOGGING_RULES="qt.qpa.*=false"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), Linux $(uname -r); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Row | Measured | Floor | Ratio | Target | Met |"
echo "|---|---|---|---|---|---|"
status=0
for bench in bench_serial bench_udp bench_quellix_fleet bench_server_fleet bench_startup; do
  "$build_dir/bench/$bench" "$@" || { echo "$bench did not complete" >&2; status=1; }
done
exit $status
