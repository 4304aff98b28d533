#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, three times over:
#   1. the normal build (./build, or $BUILD_DIR);
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (<build>-sanitize; VORT_TEST_SANITIZE=0 leaves it out);
#   3. when fuzzing is asked for (VORT_FUZZ=1, and always in CI), each fuzz target of
#      tests/fuzz for a short fixed time (VORT_FUZZ_SECONDS, default 10), built with clang
#      in <build>-fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
jobs=${JOBS:-2}
fuzz=${VORT_FUZZ:-${CI:-0}}
case "$fuzz" in 1 | true | yes | ON | on) fuzz=1 ;; *) fuzz=0 ;; esac

if [ "$fuzz" = 1 ]; then
  bash scripts/install-deps.sh --fuzz
else
  bash scripts/install-deps.sh
fi
export QT_QPA_PLATFORM=offscreen

echo "== normal build"
BUILD_DIR="$build" bash scripts/build.sh
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 300

if [ "${VORT_TEST_SANITIZE:-1}" = 1 ]; then
  echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
  BUILD_DIR="$build-sanitize" bash scripts/build.sh -DVORT_SANITIZE=ON
  # halt_on_error: the first finding fails the test; leaks are looked for at every exit (Qt's
  # own caches are still reachable then, so they give no noise).
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$build-sanitize" --output-on-failure --parallel "$jobs" --timeout 600
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
