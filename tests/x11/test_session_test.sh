#!/usr/bin/env bash
# Checks scripts/test-session from outside: CMD sees a working private session with fresh 0700 XDG folders,
# CMD's exit status comes back unchanged, and nothing the session started outlives it, even when the session
# is interrupted while CMD still runs.
# Usage: test_session_test.sh PATH/TO/test-session
set -uo pipefail

session="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passes=0
failures=0

# True while the process exists and is not a zombie (an orphan's zombie lingers until its new parent reaps it).
is_alive() {
    local state
    state="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" || return 1
    [[ -n "$state" && "$state" != Z ]]
}
export -f is_alive

check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok: $1"
        passes=$((passes + 1))
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

# Records what the session looks like from inside (including the processes started beside CMD) and returns a
# distinctive status.
probe='
    echo "$DISPLAY" >"$1/display"
    stat -c %i "/tmp/.X11-unix/X${DISPLAY#:}" >"$1/socket-inode"
    printf "%s\n" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" >"$1/dirs"
    stat -c %a "$XDG_RUNTIME_DIR" >"$1/runtime-mode"
    xdpyinfo | grep -o "dimensions: *[0-9x]*" | tr -s " " >"$1/dimensions"
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress \
        >"$1/a11y-address" 2>&1
    printf secret | secret-tool store --label=probe service tolvane-session-test account probe &&
        secret-tool lookup service tolvane-session-test account probe >"$1/secret"
    pgrep -P "$PPID" >"$1/siblings" || true
    exit 7
'
"$session" bash -c "$probe" probe "$work"
status=$?
check "CMD's exit status is returned" test "$status" -eq 7
check "DISPLAY points at a display" grep -qE '^:[0-9]+$' "$work/display"
check "the screen is 1920x1080" grep -q 'dimensions: 1920x1080' "$work/dimensions"
check "XDG_RUNTIME_DIR is private (0700)" grep -qx 700 "$work/runtime-mode"
check "the AT-SPI bus answers" grep -q "unix:" "$work/a11y-address"
check "the keyring stores and returns a secret without a prompt" grep -qx secret "$work/secret"
while read -r dir; do
    check "$dir is removed afterwards" test ! -e "$dir"
    case "$dir" in "$HOME"/* | "") check "$dir is outside the user's folders" false ;; esac
done <"$work/dirs"
# Another session may take the display number at once: the X server's own socket is gone, not the path.
socket_gone() { # socket_gone DISPLAY-FILE INODE-FILE
    local socket
    socket="/tmp/.X11-unix/X$(cut -c2- "$1")"
    [[ -s "$2" && "$(stat -c %i "$socket" 2>/dev/null)" != "$(cat "$2")" ]]
}
check "the X server is gone afterwards" socket_gone "$work/display" "$work/socket-inode"
check "openbox, keyring and AT-SPI launcher are gone afterwards" \
    bash -c 'for pid in $(cat "$1"); do is_alive "$pid" && exit 1; done; exit 0' _ "$work/siblings"

# Interrupted while CMD runs: CMD, the processes CMD started and the session are stopped, and the status says
# so. The child's output is not redirected, so a survivor would also keep ctest waiting.
"$session" bash -c 'echo "$DISPLAY" >"$1/display2"
                    stat -c %i "/tmp/.X11-unix/X${DISPLAY#:}" >"$1/socket-inode2"
                    sleep 300 & echo $! >"$1/child.pid"; echo $$ >"$1/cmd.pid"; wait' cmd "$work" &
session_pid=$!
while [[ ! -s "$work/cmd.pid" ]] && kill -0 "$session_pid" 2>/dev/null; do sleep 0.1; done
kill -TERM "$session_pid"
wait "$session_pid"
status=$?
check "an interrupted session reports it (143)" test "$status" -eq 143
check "an interrupted session stops CMD" bash -c '! is_alive "$(cat "$1")"' _ "$work/cmd.pid"
check "an interrupted session stops what CMD started" bash -c '! is_alive "$(cat "$1")"' _ "$work/child.pid"
check "an interrupted session stops its X server" socket_gone "$work/display2" "$work/socket-inode2"

echo "$passes passed, $failures failed"
exit $((failures > 0))
