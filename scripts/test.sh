#!/usr/bin/env bash
# Builds everything and runs every test twice: with the default preset (RelWithDebInfo,
# warnings as errors) and with the address + undefined-behaviour sanitizer preset.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset"
done
