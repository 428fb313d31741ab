#!/usr/bin/env bash
# Builds the runtime and runs its main job: the runtime executable bin/game plays the small
# fixture game built from sources (host/tests/games/engines): the first engine (simple) shows
# moving text sprites, then queues the basic engine with arguments, which shows its own sprite
# and ends the game after about three seconds. Headless by default, in a folder of its own under
# the build directory; it says where its log file is. Arguments go to the game (for example
# --window=sdl for a real window when a display is present). GAME_WINDOW_SCRIPT can script the
# headless window's messages (a close ends the game early, with exit code 1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh release
build=build/release
run=$build/run-game
rm -rf "$run"
mkdir -p "$run/game" "$run/data" "$run/config" "$run/tmp"
# A copy, not a link: the game's files are found beside the running executable.
cp "$build/bin/game" "$build/host/games/engines/"* "$run/game/"
export XDG_DATA_HOME="$PWD/$run/data" XDG_CONFIG_HOME="$PWD/$run/config" TMPDIR="$PWD/$run/tmp"
export GAME_WINDOW_SCRIPT="${GAME_WINDOW_SCRIPT-}"
status=0
"$run/game/game" "$@" || status=$?
echo "game exited with code $status; its log file: $XDG_DATA_HOME/fixture/game.log"
exit $status
