#!/usr/bin/env bash
# The built program keeps unsaved work through the end of its process, as a user meets it on an X
# display: a word is added to an opened dictionary with the keyboard, then the process ends by
# SIGTERM (a logout), SIGHUP (its terminal closed), SIGKILL six seconds later, or the X server
# going away; or, typed into the word dialog and not saved yet, by SIGTERM. At the next start the
# program offers the changes; Escape leaves the question open, Enter takes Yes, and Save then
# writes the word to the dictionary's own file, after which no recovery copy is left.
# Usage: tst_recovery.sh PROGRAM. Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
program=$1
for tool in Xvfb xdotool; do command -v "$tool" >/dev/null || exit 77; done
scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
fail() { echo "FAIL ($ending): $*"; exit 1; }
export QT_QPA_PLATFORM=xcb XDG_DATA_HOME=$scratch/data
copies=$scratch/data/Lexivault/recovery

# Starts an X server on a free display of a high number, away from those that other programs
# start from; a display that another server takes at the same moment is given up for another.
# The server does not reset when its last client leaves, which would refuse the next one a while.
start_display() {
    for _ in $(seq 10); do
        local number=$((200 + RANDOM % 800))
        [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -nolisten tcp -noreset -screen 0 1024x768x24 2>/dev/null &
        server=$!
        export DISPLAY=:$number
        for _ in $(seq 50); do
            xdotool getdisplaygeometry >/dev/null 2>&1 && kill -0 "$server" 2>/dev/null && return
            sleep 0.1
        done
        { kill "$server" || true; wait "$server" || true; } 2>/dev/null
    done
    fail "no X server"
}

# Waits for the visible window of exactly that title and gives it the keyboard.
focus() {
    local id
    id=$(timeout 10 xdotool search --sync --limit 1 --onlyvisible --name "^$1\$" 2>/dev/null) ||
        fail "no window \"$1\""
    xdotool windowfocus --sync "$id"
}

for ending in TERM HUP KILL display typing; do
    rm -rf "$scratch/data"
    printf '\x05\x00Fruit\x03\x00Lab\x00\x00\x00\x00\x00\x00\xd0\xd5\xe1\x40\x00\x00\x00\x00\x04\x00pear\x00\x00' \
        >"$scratch/fruit.dyb"
    start_display
    "$program" "$scratch/fruit.dyb" & running=$!
    focus Dictionary
    xdotool key alt+a space                                  # Add
    focus "Add word"
    xdotool type plum && xdotool key Tab && xdotool type 'a purple fruit'
    [ "$ending" = typing ] || xdotool key alt+s
    sleep 0.5
    case $ending in
    TERM | HUP) kill -"$ending" "$running" ;;
    typing) kill -TERM "$running" ;;
    KILL) sleep 6 && kill -KILL "$running" ;;
    display) kill -KILL "$server" ;;
    esac
    { wait "$running" && fail "the program ended with status 0" || true; } 2>/dev/null
    ls "$copies"/*.dyb >/dev/null 2>&1 || fail "no recovery copy"
    grep -q pear "$scratch/fruit.dyb" && ! grep -q plum "$scratch/fruit.dyb" || fail "the file changed"

    { kill "$server" || true; wait "$server" || true; } 2>/dev/null
    start_display
    "$program" & running=$!
    focus Recover
    xdotool key Escape && sleep 0.3
    focus Recover                                            # still asking
    xdotool key Return
    focus Dictionary
    xdotool key alt+f s                                      # Save Dictionary
    for _ in $(seq 50); do grep -q plum "$scratch/fruit.dyb" && break; sleep 0.1; done
    grep -q plum "$scratch/fruit.dyb" && grep -q pear "$scratch/fruit.dyb" || fail "the word was not saved"
    xdotool key alt+f e                                      # Exit, with nothing to ask
    wait "$running" || fail "the program did not end cleanly"
    ! ls "$copies"/*.dyb >/dev/null 2>&1 || fail "a recovery copy is left: $(ls "$copies")"
    { kill "$server" && wait "$server" || true; } 2>/dev/null
done
