#!/usr/bin/env bash
# Installs what is missing, builds the release and the ASan+UBSan presets and
# runs every test of both with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
jobs=$(nproc)
for preset in release asan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in release asan; do
  dir=build
  [[ $preset == asan ]] && dir=build-asan
  echo "== $preset: tests"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done
