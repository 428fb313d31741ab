#!/usr/bin/env bash
# The runtime executable plays the valley headless, in a folder of its own, with the scripted
# keyboard of GAME_INPUT_SCRIPT (the default settings make it input device 0, Up, Right and Z
# its buttons 0, 3 and 4), which the valley gives pad 0: the first engine hands over to the field engine, whose game ends by
# itself after 600 frames; the game exits with code 0, and the parameter file it saves holds
# what the game's last frame stored.
#   valley_game.sh GAME GAME_FOLDER
set -euo pipefail
game=$1 folder=$2
fail() { echo "FAILED: $*" >&2; exit 1; }
run=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$run"' EXIT
mkdir -p "$run/game" "$run/data" "$run/config" "$run/tmp" "$run/runtime"
# A copy, not a link: the game's files are found beside the running executable.
cp "$game" "$folder"/* "$run/game/"
chmod 700 "$run/runtime"
status=0
# The device checks every draw but rasterises nothing: the game thread runs on the first
# processor, and at least one frame a second is drawn however late the loop is, so on a busy
# machine software-rasterised frames (post effects included) would make every frame a drawn one.
env -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME="$run/data" XDG_CONFIG_HOME="$run/config" \
  TMPDIR="$run/tmp" XDG_RUNTIME_DIR="$run/runtime" GAME_WINDOW=headless GAME_INPUT=scripted GAME_RANDOM_SEED=11 \
  D3D9_PROFILE=noraster \
  GAME_INPUT_SCRIPT="20 key 200 1; 100 key 200 0; 101 key 205 1; 200 key 205 0; 150 key 44 1; 152 key 44 0" \
  timeout 120 "$run/game/game" >"$run/out" 2>&1 || status=$?
log="$run/data/valley/game.log"
[ "$status" = 0 ] || fail "the game exited with $status: $(cat "$run/out"; tail -5 "$log" 2>/dev/null)"
[ -f "$log" ] || fail "no log file"
# The valley's last frame stores four integer parameters, which the runtime saves: 600 frames,
# then what the keyboard made the player do: one stamp (Z at 150), no shot (fire has no key),
# and the hits it took (any number).
prm="$run/data/valley/game.prm"
saved=$(od -An -tx1 -N20 "$prm" 2>/dev/null | tr -d ' \n')
[ "${saved:0:32}" = 00000004000002580000000100000000 ] ||
  fail "the valley did not play to its end with the keyboard's stamp: $saved; $(tail -3 "$log")"
if grep -q "\[Err\]" "$log"; then fail "errors in the log: $(grep "\[Err\]" "$log" | head -3)"; fi
echo "valley in the runtime executable: ended with 0 after its 600 frames"
