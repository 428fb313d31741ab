#!/usr/bin/env bash
# Builds the runtime and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh release
bin=build/release/bin
if [ -x "$bin/runtime" ]; then
  exec "$bin/runtime" "$@"
fi
echo "The runtime executable is not built yet; the fixture tools in $bin are:"
ls "$bin"
