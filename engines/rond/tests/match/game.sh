#!/usr/bin/env bash
# The runtime executable plays the versus fixture match as a game: a copy of bin/game beside
# the match's archive and version file, in a fresh folder with its own XDG folders and no
# display. The start script prepares the versus engine, the match ends itself after 600 frames
# and notes them in the game's integer parameter 1, and the game exits with code 0 and saves its
# parameter file (big-endian: the integer count, the integers, ...).
#   game.sh GAME MATCH_FOLDER
set -euo pipefail
game=$1 match=$2
fail() { echo "FAILED: $*" >&2; exit 1; }
root=$(mktemp -d "${TMPDIR:-/tmp}/rond-game.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/game" "$root/data" "$root/config" "$root/tmp" "$root/runtime"
chmod 700 "$root/runtime"
cp "$game" "$match"/system.dat "$match"/ver "$root/game/"
status=0
# The device checks every draw but rasterises nothing: the game thread runs on the first
# processor, and at least one frame a second is drawn however late the loop is, so on a busy
# machine software-rasterised frames would make every frame a drawn one.
env -u DISPLAY -u WAYLAND_DISPLAY -u GAME_WINDOW_SCRIPT D3D9_PROFILE=noraster XDG_DATA_HOME="$root/data" \
  XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root/tmp" \
  timeout 120 "$root/game/game" > "$root/out.txt" 2>&1 || status=$?
log="$root/data/rondmatch/game.log"
if [ "$status" != 0 ]; then
  cat "$root/out.txt" >&2
  [ -f "$log" ] && tail -20 "$log" >&2
  fail "the game exited with code $status"
fi
[ -f "$log" ] || fail "the game wrote no log"
parameters="$root/data/rondmatch/game.prm"
[ -f "$parameters" ] || fail "the game saved no parameter file"
played=$(od -An -tx1 -j8 -N4 "$parameters" | tr -d ' \n')
[ "$played" = 00000258 ] || { tail -20 "$log" >&2; fail "the match played 0x$played frames, not 600"; }
echo "the runtime played the versus fixture match to its end"
