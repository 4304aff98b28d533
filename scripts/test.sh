#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "${JOBS:-2}" --timeout 300

# ---- Package: build the .deb, unpack it into a clean folder, start every installed program ----
# (in a subshell: its folder and trap stay its own)
(
  build_dir=${BUILD_DIR:-build}
  package_tmp=$(mktemp -d)
  trap 'rm -rf "$package_tmp"' EXIT
  mkdir -m 700 "$package_tmp/runtime"
  export XDG_RUNTIME_DIR=$package_tmp/runtime
  (cd "$build_dir" && cpack -G DEB -B "$package_tmp/out") >"$package_tmp/cpack.log" 2>&1 ||
    { cat "$package_tmp/cpack.log"; exit 1; }
  deb=$(ls "$package_tmp"/out/*.deb)
  dpkg-deb --field "$deb" Package Version Depends
  dpkg -x "$deb" "$package_tmp/root"
  installed=$package_tmp/root/usr
  for f in bin/vortsetup bin/Server bin/Quellix bin/vortsim bin/vortsim-udp \
    share/vort/info.txt share/vort/download.txt share/applications/vortsetup.desktop \
    share/applications/vort-server.desktop share/applications/vort-quellix.desktop \
    share/icons/hicolor/scalable/apps/vortsetup.svg share/icons/hicolor/scalable/apps/vort-server.svg \
    share/icons/hicolor/scalable/apps/vort-quellix.svg; do
    [ -e "$installed/$f" ] || { echo "package: $f missing"; exit 1; }
  done
  for program in vortsetup Server Quellix vortsim vortsim-udp; do
    # --version where the program has it, else --help: both prove it loads its libraries.
    help_text=$("$installed/bin/$program" --help)
    if grep -q -- '--version' <<<"$help_text"; then
      echo "package: $("$installed/bin/$program" --version | head -n 1)"
    else
      "$installed/bin/$program" --help >/dev/null && echo "package: $program --help"
    fi
  done
  # The windows open (offscreen) and stay up until stopped.
  for program in vortsetup Server Quellix; do
    (cd "$package_tmp" && timeout 2 "$installed/bin/$program") && status=0 || status=$?
    [ "$status" -eq 124 ] || { echo "package: $program ended with $status"; exit 1; }
  done
  echo "package: $(basename "$deb") installs and runs"
)
# ---- end of the package step ----
