#!/usr/bin/env bash
# A user's session with the real program under Xvfb and openbox, typed with
# xdotool: unlock, add a folder with "Produce enciphering", kill the program
# with SIGKILL (a crash, an OOM kill, a logout without Exit), start it again
# and find the folder in its list, in its state, served again.
#
# Usage: xvfb-session.sh TSRN TSRNVX TSRNCTL
# Exit 0 passed, 1 failed, 77 skipped (said on standard error).
set -uo pipefail

tsrn=$1
tsrnvx=$2
tsrnctl=$3
password="session pw"
# Its stored check word, little-endian in 4 bytes (the value "pwd").
password_check=d03f0000

skip() {
    echo "SKIPPED: $*" >&2
    exit 77
}
fail() {
    echo "FAILED: $*" >&2
    if [[ -n ${work:-} && -f $work/tsrn.log ]]; then
        echo "--- the program's output:" >&2
        tail -20 "$work/tsrn.log" >&2
        echo "--- windows:" >&2
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            echo "  '$(xdotool getwindowname "$id")'" >&2
        done
        [[ -n ${TSRN_SESSION_SHOT:-} ]] && import -window root "$TSRN_SESSION_SHOT" 2>/dev/null
        echo "--- stored list:" >&2
        "$tsrnctl" folders >&2 2>&1
    fi
    exit 1
}

for tool in Xvfb openbox xdotool; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh installs it)"
done
[[ -r /dev/fuse && -w /dev/fuse ]] || skip "/dev/fuse is not usable: the session needs FUSE mounts"
if [[ $(id -u) -ne 0 ]] && ! command -v fusermount3 >/dev/null; then
    skip "not root and no fusermount3: the session needs FUSE mounts"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tsrn-session.XXXXXX")
work=$(cd "$work" && pwd -P)
folder=$work/secret
plain="plain words of the session"
xvfb_pid=
wm_pid=
tsrn_pid=

mounts_below() {
    grep -F " $work" /proc/self/mountinfo | awk '{print $5}' || true
}

cleanup() {
    [[ -n $tsrn_pid ]] && kill -KILL "$tsrn_pid" 2>/dev/null
    # The driver unmounts when the program's channel closes; give it time,
    # then detach whatever is left.
    for _ in $(seq 1 100); do
        [[ -z $(mounts_below) ]] && break
        sleep 0.1
    done
    for point in $(mounts_below); do
        fusermount3 -u -z "$point" 2>/dev/null || umount -l "$point" 2>/dev/null
    done
    [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [[ -n $(mounts_below) ]]; then
        echo "FAILED: mounts left behind: $(mounts_below)" >&2
        rm -rf "$work" 2>/dev/null
        exit 1
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The display: a free number chosen by Xvfb itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [[ -s $work/display ]] && break
    sleep 0.1
done
exec 3>&-
[[ -s $work/display ]] || skip "Xvfb did not start: $(tail -3 "$work/xvfb.log")"
export DISPLAY=:$(head -1 "$work/display")
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

# Everything the program keeps, private to this run.
unset QT_QPA_PLATFORM
export TSRN_REGISTRY_DIR=$work/registry
export TSRN_STATE_DIR=$work/state
export TSRN_SYSTEM_DIR=$(dirname "$tsrnvx")
export XDG_RUNTIME_DIR=$work/run
export XDG_CONFIG_HOME=$work/config
export HOME=$work/home
mkdir -p "$TSRN_REGISTRY_DIR" "$TSRN_STATE_DIR" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$HOME" "$folder"
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
printf '%s' "$plain" >"$folder/note.txt"
"$tsrnctl" registry set 'HKLM\SOFTWARE\Tessaryn\settings' pwd REG_BINARY "$password_check" ||
    fail "could not store the password's check word"

# The window whose title is exactly $1, once it shows (15 s at most).
window() {
    local id
    for _ in $(seq 1 150); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
# Gives the window the keyboard, then presses the keys.
keys_to() {
    local id
    id=$(window "$1") || fail "no window '$1' came up"
    shift
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
    sleep 0.3
    xdotool key --delay 80 "$@"
}
type_to() {
    local id
    id=$(window "$1") || fail "no window '$1' came up"
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
    sleep 0.3
    xdotool type --delay 30 "$2"
}

main_window=
start_and_unlock() {
    "$tsrn" >>"$work/tsrn.log" 2>&1 &
    tsrn_pid=$!
    type_to "Tessaryn: Unlock" "$password"
    keys_to "Tessaryn: Unlock" Return
    main_window=$(window "Tessaryn") || fail "the main window did not come up"
}

# Closes a notice the program shows over its window (its caption is the
# product name as well), such as the word that a run killed with the program
# had ended; while it shows, the run's folder is held stopped.
close_notices() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Tessaryn$' 2>/dev/null); do
        if [[ $id != "$main_window" ]]; then
            xdotool windowactivate --sync "$id" >/dev/null 2>&1
            sleep 0.3
            xdotool key Return
        fi
    done
}

# The listed folder's state word as the program stores it; empty when absent.
stored_state() {
    "$tsrnctl" folders 2>/dev/null | awk -F'\t' -v p="$folder" '$2 == p {print $4}'
}

wait_for() {
    for _ in $(seq 1 "$1"); do
        eval "$2" && return 0
        sleep 0.2
    done
    return 1
}

served() {
    grep -qF " $folder " /proc/self/mountinfo
}

# 1. First start: add the folder with enciphering, started.
start_and_unlock
keys_to "Tessaryn" alt+f a
type_to "Choose folder for adding in list" "$folder"
keys_to "Choose folder for adding in list" Return
# "Start ciphering" first: ticking "Produce enciphering" may tick it too.
keys_to "Protection of added folder" alt+s alt+p Return
wait_for 150 '! cmp -s <(printf "%s" "$plain") "$folder/note.txt" || served' ||
    fail "the enciphering run did not start"
sleep 1
keys_to "Folder enciphering" Return
wait_for 100 '[[ -n $(stored_state) ]]' || fail "the added folder was not stored at once"
[[ $(stored_state) == 0x01 ]] || fail "stored as $(stored_state), not working (0x01)"
wait_for 50 served || fail "the added folder is not served"
[[ $(cat "$folder/note.txt") == "$plain" ]] || fail "the served folder does not read as plaintext"

# 2. Killed as a crash would: the driver unmounts, the disk holds ciphertext.
kill -KILL "$tsrn_pid"
wait "$tsrn_pid" 2>/dev/null
tsrn_pid=
wait_for 100 '! served' || fail "the driver did not unmount after the program died"
[[ $(cat "$folder/note.txt") != "$plain" ]] || fail "the file is plaintext on disk"

# 3. Started again: the folder is in the list, working, served.
start_and_unlock
[[ $(stored_state) == 0x01 ]] || fail "after the restart the folder is listed as '$(stored_state)'"
wait_for 50 served || fail "after the restart the folder is not served"
wait_for 50 'close_notices; [[ $(cat "$folder/note.txt") == "$plain" ]]' ||
    fail "after the restart the file reads as '$(od -c "$folder/note.txt" | head -2)'"
echo "session passed: $folder listed as 0x01 and served after SIGKILL and restart"
