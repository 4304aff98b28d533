#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) and clazy (Qt-aware, levels 0 and 1) over the
# project's own C++ files and fails on any finding:
#   scripts/static-analysis.sh [BUILD_DIR] [FILE...]
# It reads BUILD_DIR/compile_commands.json (any configured build; default ./build). Both tools
# are clang 14 based and come from Debian (clang-tidy, clazy). Generated files (moc) and Qt's
# own headers are not analysed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ $# -gt 0 ] && shift
# Files named after the build folder narrow the run to them (paths from the top folder).
only=("$@")
jobs=${JOBS:-2}
own='(common|config_tool|download_server|realtime_receiver|unit_simulator|tests|bench)'
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$build/compile_commands.json" "$root" "$own" >"$work/files" <<'EOF'
import json, re, sys
commands, root, own = sys.argv[1:]
pattern = re.compile(re.escape(root) + "/" + own + "/")
print("\n".join(sorted({e["file"] for e in json.load(open(commands)) if pattern.match(e["file"])})))
EOF
if [ ${#only[@]} -gt 0 ]; then
  printf "$root/%s\n" "${only[@]}" | grep -Fxf - "$work/files" >"$work/chosen" || true
  mv "$work/chosen" "$work/files"
fi
echo "static analysis: $(wc -l <"$work/files") files, clang-tidy and clazy"

# Each file once per tool, $jobs at a time; every finding line is kept, and only findings count.
xargs -a "$work/files" -P "$jobs" -n 4 clang-tidy-14 -p "$build" --quiet \
  >"$work/tidy" 2>"$work/tidy-errors" || true
# clazy: every check of levels 0 and 1 but two. qstring-ref proposes QStringRef, which Qt 6 no
# longer has. non-pod-global-static guards a program's start-up time against global objects;
# the programs keep to it, while a test's or a benchmark's start-up is not what it measures.
clazy_checks=level0,level1,no-qstring-ref
grep -vE "^$root/(tests|bench)/" "$work/files" >"$work/product" || true
grep -E "^$root/(tests|bench)/" "$work/files" >"$work/other" || true
xargs -a "$work/product" -P "$jobs" -n 4 clazy-standalone -p "$build" --checks="$clazy_checks" \
  --header-filter="$root/$own/" --ignore-dirs="$root/$build/" \
  >"$work/clazy" 2>&1 || true
xargs -a "$work/other" -P "$jobs" -n 4 clazy-standalone -p "$build" \
  --checks="$clazy_checks,no-non-pod-global-static" \
  --header-filter="$root/(tests|bench)/" --ignore-dirs="$root/$build/" \
  >>"$work/clazy" 2>&1 || true

findings=$(cat "$work/tidy" "$work/clazy" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' |
  sed "s|^$root/||" | sort -u || true)
# A tool that could not run at all (a missing header, a bad command line) is a failure too.
failures=$(grep -E 'error: |Error while processing|fatal error' "$work/tidy-errors" |
  grep -v -- '-warnings-as-errors' || true)
if [ -n "$findings" ] || [ -n "$failures" ]; then
  [ -z "$findings" ] || printf '%s\n' "$findings"
  [ -z "$failures" ] || printf '%s\n' "$failures"
  echo "static analysis: $(printf '%s\n' "$findings" | grep -c . || true) finding(s)"
  exit 1
fi
echo "static analysis: no finding"
