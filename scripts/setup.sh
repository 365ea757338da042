#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev zlib1g-dev libpcre2-dev
  pcre2-utils lua5.4 python3
  libssl-dev libcurl4-openssl-dev ca-certificates libbrotli-dev libzstd-dev
  libcpp-httplib-dev tinyproxy openssl curl
  duktape-dev libelf-dev lintian libsimdjson-dev
  python3-lxml python3-bs4 python3-cssselect
  libxml2-dev
  libhiredis-dev redis-server
  qt6-base-dev xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
