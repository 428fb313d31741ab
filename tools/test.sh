#!/usr/bin/env bash
# Builds the normal and the sanitizer configuration and runs the whole suite in both.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for config in release sanitize; do
  echo "== $config"
  bash tools/build.sh "$config"
  ctest --test-dir "build/$config" -j "$jobs" --output-on-failure --no-tests=error
done
