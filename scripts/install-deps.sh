#!/usr/bin/env bash
# Installs what building and testing the tool set needs, on Debian 12 / Ubuntu 22.04 or later.
# Only missing packages are installed; run as root or with sudo available.
#   --fuzz      also clang and its libFuzzer runtime, for the fuzz targets of tests/fuzz
#   --analysis  also clang-tidy and clazy, for scripts/static-analysis.sh
set -euo pipefail
# pkg-config, libsystemd-dev, prometheus-cpp-dev: readiness and metrics of the services (each left
# out of a build without it); help2man: the manual pages; lintian, appstream, systemd
# (systemd-analyze): the package checks; prometheus (and its promtool): the metrics tests;
# libsqlite3-dev: the fleet store writes its busiest rows through SQLite directly.
packages=(cmake g++ make ninja-build clang-format qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libsqlite3-dev libqt6sql6-psql postgresql postgresql-common libgl-dev socat libxml2-utils gcovr ccache
  pkg-config libsystemd-dev prometheus-cpp-dev help2man lintian appstream systemd prometheus)
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    --analysis) packages+=(clang-tidy clazy) ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
