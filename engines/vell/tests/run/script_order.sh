#!/bin/bash
# engine-run on the field fixture game for three frames with the log shown: the scripts' prints
# come in the engine's order (set-up: root, camera, second; each frame: root, camera, second),
# each frame ends with its hash line, and no error is reported.
set -u
runner=$1 archive=$2 setup=$3
errfile=$(mktemp)
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$("$runner" --archive "$archive" --setup "$setup" --seed 1 --frames 3 --hash --log 2>"$errfile")
status=$?
err=$(cat "$errfile"); rm -f "$errfile"
[ "$status" = 0 ] || fail "engine-run ended with $status: $err"
[ -z "$err" ] || fail "unexpected messages on standard error: $err"

# Script prints carry the script system's empty name; hashes are replaced by H.
got=$(printf '%s\n' "$out" | sed -e 's/^\[\] //' -e 's/ hash [0-9a-f]\{16\}$/ hash H/')
expected='root top
root init
camera top
camera init
second top
second init
root frame 1
camera dir [../sys/]
camera frame 1
second frame 1
frame 0 hash H
root frame 2
camera frame 2
second frame 2
frame 1 hash H
root frame 3
camera frame 3
second frame 3
frame 2 hash H'
[ "$got" = "$expected" ] || fail "$(printf 'expected:\n%s\ngot:\n%s' "$expected" "$got")"
echo ok
