#!/usr/bin/env bash
# Builds the release preset; the server ends up at build/bin/kelmar-websrv.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release
