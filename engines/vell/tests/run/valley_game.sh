#!/usr/bin/env bash
# The runtime executable plays the valley headless, in a folder of its own, with the scripted
# pad of GAME_INPUT_SCRIPT: the first engine hands over to the field engine, whose game ends by
# itself after 600 frames; the game exits with code 0, and the parameter file it saves holds
# what the game's last frame stored.
#   valley_game.sh GAME GAME_FOLDER
set -euo pipefail
game=$1 folder=$2
fail() { echo "FAILED: $*" >&2; exit 1; }
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/game" "$run/data" "$run/config" "$run/tmp" "$run/runtime"
# A copy, not a link: the game's files are found beside the running executable.
cp "$game" "$folder"/* "$run/game/"
chmod 700 "$run/runtime"
status=0
# The device checks every draw but rasterises nothing: the game thread runs on the first
# processor, and at least one frame a second is drawn however late the loop is, so on a busy
# machine software-rasterised frames (post effects included) would make every frame a drawn one.
env -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME="$run/data" XDG_CONFIG_HOME="$run/config" \
  TMPDIR="$run/tmp" XDG_RUNTIME_DIR="$run/runtime" GAME_WINDOW=headless GAME_RANDOM_SEED=11 D3D9_PROFILE=noraster \
  GAME_INPUT_SCRIPT="pad valley; 20 pad0 button 0 1; 100 pad0 button 0 0; 101 pad0 button 3 1; 200 pad0 button 3 0; 150 pad0 button 4 1; 152 pad0 button 4 0" \
  timeout 120 "$run/game/game" >"$run/out" 2>&1 || status=$?
log="$run/data/valley/game.log"
[ "$status" = 0 ] || fail "the game exited with $status: $(cat "$run/out"; tail -5 "$log" 2>/dev/null)"
[ -f "$log" ] || fail "no log file"
# The valley's last frame stores 600 as the only integer parameter, which the runtime saves.
prm="$run/data/valley/game.prm"
[ "$(od -An -tx1 -N8 "$prm" 2>/dev/null | tr -d ' \n')" = 0000000100000258 ] ||
  fail "the valley did not play to its end: $(od -An -tx1 -N8 "$prm" 2>&1); $(tail -3 "$log")"
if grep -q "\[Err\]" "$log"; then fail "errors in the log: $(grep "\[Err\]" "$log" | head -3)"; fi
echo "valley in the runtime executable: ended with 0 after its 600 frames"
