#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, three times over:
#   1. the normal build (./build, or $BUILD_DIR);
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer and with
#      coverage counters (<build>-sanitize; VORT_TEST_SANITIZE=0 leaves it out), then the line
#      and branch coverage of the product code (scripts/coverage.sh);
#   3. when fuzzing is asked for (VORT_FUZZ=1, and always in CI), each fuzz target of
#      tests/fuzz for a short fixed time (VORT_FUZZ_SECONDS, default 10), built with clang
#      in <build>-fuzz.
# --quick builds and runs only the tests not labelled slow, in the normal build, and nothing
# else (no package step, no sanitizer build, no fuzzing).
# In CI (CI=true) both builds treat compiler warnings as errors (VORT_WERROR), and a C++ file
# that differs from .clang-format or a clang-tidy or clazy finding (scripts/static-analysis.sh)
# fails the run. In every run a blocking wait in product code (scripts/check-house-rules.sh)
# fails it, and a core library that links Qt Widgets or Qt Gui fails the configure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
jobs=${JOBS:-2}
quick=0
[ "${1:-}" = --quick ] && quick=1
werror=OFF
case "${CI:-}" in 1 | true | yes) werror=ON ;; esac
fuzz=${VORT_FUZZ:-${CI:-0}}
case "$fuzz" in 1 | true | yes | ON | on) fuzz=1 ;; *) fuzz=0 ;; esac

deps=()
[ "$fuzz" = 1 ] && [ "$quick" = 0 ] && deps+=(--fuzz)
[ "$werror" = ON ] && deps+=(--analysis)
bash scripts/install-deps.sh "${deps[@]}"
export QT_QPA_PLATFORM=offscreen
# In CI every run is a fresh clone in a folder of its own: ccache keys on paths relative to the
# clone (and not on the build folder's name), so one run's objects serve the next.
if [ "$werror" = ON ]; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

# In CI a file that differs from .clang-format fails the run (a newer clang-format elsewhere
# may format differently, so a user's run does not check).
if [ "$werror" = ON ]; then
  echo "== format"
  bash scripts/check-format.sh
fi

echo "== house rules"
bash scripts/check-house-rules.sh

echo "== normal build"
BUILD_DIR="$build" bash scripts/build.sh -DVORT_WERROR="$werror"
if [ "$werror" = ON ]; then
  echo "== static analysis (clang-tidy, clazy)"
  BUILD_DIR="$build" bash scripts/static-analysis.sh "$build"
fi
if [ "$quick" = 1 ]; then
  ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 300 -LE slow
  exit 0
fi
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 300

# ---- Package: build the .deb, unpack it into a clean folder, start every installed program ----
# (in a subshell: its folder and trap stay its own)
(
  build_dir=$build
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
  # The commands carry the tool set's name; Server and Quellix keep theirs in lib/vort/.
  for f in bin/vortsetup bin/vort-server bin/vort-quellix bin/vortsim bin/vortsim-udp \
    lib/vort/Server lib/vort/Quellix \
    share/vort/info.txt share/vort/download.txt share/applications/vortsetup.desktop \
    share/applications/vort-server.desktop share/applications/vort-quellix.desktop \
    share/icons/hicolor/scalable/apps/vortsetup.svg share/icons/hicolor/scalable/apps/vort-server.svg \
    share/icons/hicolor/scalable/apps/vort-quellix.svg; do
    [ -e "$installed/$f" ] || { echo "package: $f missing"; exit 1; }
  done
  # Manual pages, service units and their settings, documentation under the package's name.
  for f in share/man/man1/vortsetup.1.gz share/man/man1/vort-server.1.gz \
    share/man/man1/vort-quellix.1.gz share/man/man1/vortsim.1.gz share/man/man1/vortsim-udp.1.gz \
    lib/systemd/system/vort-server.service lib/systemd/system/vort-quellix.service \
    ../etc/default/vort-server ../etc/default/vort-quellix ../etc/logrotate.d/vort-tools \
    share/doc/vort-tools/copyright share/doc/vort-tools/changelog.gz \
    share/doc/vort-tools/README.md share/doc/vort-tools/docs/operator-guide.md \
    share/doc/vort-tools/docs/screenshots/server.png; do
    [ -e "$installed/$f" ] || { echo "package: $f missing"; exit 1; }
  done
  # Every relative link of the installed documentation reaches an installed file.
  (cd "$installed/share/doc/vort-tools" && for md in README.md docs/*.md; do
    { grep -o '](\([^)#:]*\))' "$md" || true; } | sed 's/^](\(.*\))$/\1/' | while read -r link; do
      [ -e "$(dirname "$md")/$link" ] || { echo "package: $md links to $link, not installed"; exit 1; }
    done
  done)
  # The pages follow the programs' options (help2man escapes each hyphen).
  grep -qF '\-\-metrics' <(zcat "$installed/share/man/man1/vort-server.1.gz") ||
    { echo "package: the manual page of vort-server lacks --metrics"; exit 1; }
  # lintian on the .deb: an error or a warning fails (an override carries its reason).
  lintian --fail-on error,warning --tag-display-limit 0 "$deb"
  echo "package: lintian clean"
  appstreamcli validate --no-net "$package_tmp"/root/usr/share/metainfo/*.metainfo.xml
  # The units as installed, their commands pointed at the scratch root (systemd-analyze checks
  # that ExecStart names an executable) and their manual pages looked up there.
  mkdir "$package_tmp/units"
  for unit in vort-server.service vort-quellix.service; do
    sed "s|/usr/bin/|$installed/bin/|g" "$installed/lib/systemd/system/$unit" >"$package_tmp/units/$unit"
  done
  MANPATH=$installed/share/man systemd-analyze verify "$package_tmp"/units/*.service
  echo "package: units verified, exposure $(systemd-analyze security --offline=true \
    "$package_tmp/units/vort-server.service" 2>&1 | grep -o 'Overall exposure level.*')"
  for f in bin/Server bin/Quellix; do
    [ ! -e "$installed/$f" ] || { echo "package: $f should not be installed"; exit 1; }
  done
  grep -qx 'Exec=vortsetup --data-folder' "$installed/share/applications/vortsetup.desktop" &&
    grep -qx 'Exec=vort-server --data-folder' "$installed/share/applications/vort-server.desktop" &&
    grep -qx 'Exec=vort-quellix --data-folder' "$installed/share/applications/vort-quellix.desktop" ||
    { echo "package: the menu entries do not start the installed commands"; exit 1; }
  for program in vortsetup vort-server vort-quellix vortsim vortsim-udp; do
    # --version where the program has it, else --help: both prove it loads its libraries.
    help_text=$("$installed/bin/$program" --help)
    if grep -q -- '--version' <<<"$help_text"; then
      echo "package: $("$installed/bin/$program" --version | head -n 1)"
    else
      "$installed/bin/$program" --help >/dev/null && echo "package: $program --help"
    fi
  done
  # The windows open (offscreen) and stay up until stopped.
  for program in vortsetup vort-server vort-quellix; do
    (cd "$package_tmp" && timeout 2 "$installed/bin/$program") && status=0 || status=$?
    [ "$status" -eq 124 ] || { echo "package: $program ended with $status"; exit 1; }
  done
  echo "package: $(basename "$deb") installs and runs"
)
# ---- end of the package step ----

if [ "${VORT_TEST_SANITIZE:-1}" = 1 ]; then
  echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
  BUILD_DIR="$build-sanitize" bash scripts/build.sh -DVORT_SANITIZE=ON -DVORT_COVERAGE=ON \
    -DVORT_WERROR="$werror"
  # Counts of an earlier run would add to this one's.
  find "$build-sanitize" -name '*.gcda' -delete
  # halt_on_error: the first finding fails the test; leaks are looked for at every exit (Qt's
  # own caches are still reachable then, so they give no noise).
  # libgcov's own complaints (a static library's counters merged from several programs) go to a
  # file, so the programs' standard error stays what the tests compare.
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  GCOV_ERROR_FILE="$(cd "$build-sanitize" && pwd)/gcov-errors.txt" \
    ctest --test-dir "$build-sanitize" --output-on-failure --parallel "$jobs" --timeout 600
  echo "== coverage of the product code (gcovr)"
  bash scripts/coverage.sh "$build-sanitize"
fi

if [ "$fuzz" = 1 ]; then
  echo "== fuzz targets (clang, libFuzzer), ${VORT_FUZZ_SECONDS:-10} s each"
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build-fuzz" -G Ninja "${launcher[@]}" -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVORT_FUZZ=ON -DVORT_BUILD_TESTS=OFF -DVORT_FUZZ_SECONDS="${VORT_FUZZ_SECONDS:-10}" >/dev/null
  cmake --build "$build-fuzz" --target vort_fuzzers --parallel "${JOBS:-$(nproc)}"
  ctest --test-dir "$build-fuzz" --output-on-failure --parallel "$jobs"
fi
