#!/usr/bin/env bash
# Builds the runtime and runs its main job. Until the game executable exists, the main job is
# the demo game of tools/demo: its compiled scripts, packed in bin/demo.dat, run frame by frame
# through the script runtime (scriptrun), every log line on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh release
bin=build/release/bin
if [ -x "$bin/runtime" ]; then
  exec "$bin/runtime" "$@"
fi
exec "$bin/scriptrun" --archive demo.dat --frames 200 "$@" demo
