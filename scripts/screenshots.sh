#!/usr/bin/env bash
# Renders every window offscreen into docs/screenshots/ (the README's pictures): the main menu,
# its three screens with the demonstration files loaded, Server and Quellix.
#   bash scripts/screenshots.sh            the screenshots
#   bash scripts/screenshots.sh --picture  first redraws the main menu's picture as well
#                                          (config_tool/resources/picture1.ppm)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build_dir" -G Ninja "${launcher[@]}" >/dev/null
fi
build_dir=$(cd "$build_dir" && pwd)
# A laptop screen of 1366 x 768 at 100 %: the windows are drawn at the sizes they open at there.
export QT_QPA_PLATFORM="offscreen:configfile=$root/scripts/pictures/screen.json"
export QT_LOGGING_RULES='qt.qpa.*=false'

if [ "${1:-}" = "--picture" ]; then
  cmake --build "$build_dir" --target vort_draw_menu_picture >/dev/null
  "$build_dir/pictures/vort_draw_menu_picture" config_tool/resources/picture1.ppm
  echo "config_tool/resources/picture1.ppm"
fi
cmake --build "$build_dir" --target vort_render_windows >/dev/null

# A fixed, neutral working folder: the file lists and drive lists show it, and Server writes
# its log.txt there.
work=/tmp/vort-demo
runtime=/tmp/vort-demo-runtime
rm -rf "$work" "$runtime"
mkdir -p "$work" "$runtime"
chmod 700 "$runtime"
cp -r packaging/demo/. "$work/"
trap 'rm -rf "$work" "$runtime"' EXIT
mkdir -p docs/screenshots
(cd "$work" && HOME="$work" XDG_RUNTIME_DIR="$runtime" "$build_dir/pictures/vort_render_windows" \
  "$root/docs/screenshots" "$work") | sed "s|^$root/||"
