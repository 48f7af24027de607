#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libasio-dev libsqlite3-dev sqlite3 unixodbc unixodbc-dev libsqliteodbc tdsodbc
  nlohmann-json3-dev zlib1g-dev libcurl4-openssl-dev
  python3 python3-aiosmtpd
  apache2-utils wrk nginx-light
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
