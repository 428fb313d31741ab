#!/usr/bin/env bash
# Configures and builds one configuration: tools/build.sh release|sanitize
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
jobs=${JOBS:-$(nproc)}
# Paths inside the checkout are hashed relative to it, so a fresh clone in another folder
# reuses what the compiler cache holds from earlier builds.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
# Debug builds would otherwise hash the build folder too, and no other checkout could share them.
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
case "$config" in
  release)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null ;;
  sanitize)
    # clang, so that the libFuzzer targets build in this configuration too.
    cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSANITIZE=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" >/dev/null ;;
  *) echo "usage: $0 release|sanitize" >&2; exit 2 ;;
esac
cmake --build "build/$config" -j "$jobs"
