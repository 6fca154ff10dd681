#!/bin/bash
# Files named on the command line, end to end: the real program under Xvfb,
# keys sent with xdotool, the store read back with the sqlite3 tool.
#
#   1. a first start without files creates the store; Ctrl+Q ends it;
#   2. with the option "AutoOP" stored, two files (one named relative to the
#      working folder, with a space and capitals, in code page 932) go into
#      the blank pages 1 and 2 without any dialog;
#   3. without options, one file opens the distribution dialog; the keyboard
#      transfers it into page 3 and closes the dialog; the window then opens.
#
# usage: intake.sh <path of the sorabun binary>
set -euo pipefail

bin=$(realpath "${1:?usage: intake.sh <sorabun binary>}")

if [[ "${SORABUN_E2E_INNER:-}" != 1 ]]; then
    export SORABUN_E2E_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$bin"
fi

work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
store="$XDG_CONFIG_HOME/sorabun/store.sqlite"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits for a window whose title matches, prints its id.
wait_window() {
    local title=$1 id
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Sends keys to the window with the keyboard focus put on it first.
keys_to() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id"
    sleep 0.2
    xdotool key --clearmodifiers "$@"
}

# Waits for the program to end by itself.
wait_exit() {
    for _ in $(seq 1 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" || fail "the program ended with status $?"
            pid=
            return 0
        fi
        sleep 0.1
    done
    fail "the program did not end after Ctrl+Q"
}

setting() {
    sqlite3 "$store" "SELECT value FROM settings WHERE app = 'Orvanti' AND section = 'Note' AND key = '$1';"
}
set_setting() {
    sqlite3 "$store" "INSERT INTO settings (app, section, key, value) VALUES ('Orvanti', 'Note', '$1', '$2')
                      ON CONFLICT (app, section, key) DO UPDATE SET value = excluded.value;"
}
# Whether page n holds exactly the text of the SQL expression.
page_is() {
    [[ $(sqlite3 "$store" "SELECT value = $2 FROM settings WHERE app = 'Orvanti' AND section = 'Note' AND key = '$1';") == 1 ]]
}

# 1. First start: the store is created; Ctrl+Q ends the program.
"$bin" &
pid=$!
w=$(wait_window "Sorabun - 1") || fail "the main window did not appear"
keys_to "$w" ctrl+q
wait_exit
[[ -f "$store" ]] || fail "no store at $store"
[[ $(setting Page) == 1 ]] || fail "Page was not stored"
[[ $(setting AutoOP) == 0 ]] || fail "AutoOP was not stored as 0"

# 2. AutoOP: two files into the blank pages 1 and 2, no dialog.
set_setting AutoOP 1
set_setting 3 "kept"
cd "$work"
printf 'Sorabun \x83\x81\x83\x82\r\nline two' > "Memo A.TXT" # "メモ" in code page 932
printf 'second file' > b.txt
"$bin" "Memo A.TXT" "$work/b.txt" &
pid=$!
w=$(wait_window "Sorabun - 1") || fail "the main window did not appear after the intake"
if xdotool search --onlyvisible --name "^展開先選択\$" >/dev/null 2>&1; then
    fail "the distribution dialog appeared although every file was placed"
fi
keys_to "$w" ctrl+q
wait_exit
page_is 1 "'Sorabun メモ' || char(13, 10) || 'line two'" || fail "page 1 does not hold the first file"
page_is 2 "'second file'" || fail "page 2 does not hold the second file"
page_is 3 "'kept'" || fail "page 3 was overwritten"
[[ $(setting AutoOP) == 1 ]] || fail "AutoOP did not survive the run"

# 3. No option: the dialog lists the file; Tab Tab Space transfers it into
#    the chosen page (the third), Esc closes the dialog, the window opens.
set_setting AutoOP 0
set_setting Page 3
set_setting 3 "old three"
printf 'third file' > C.txt
"$bin" "$work/C.txt" &
pid=$!
d=$(wait_window "展開先選択") || fail "the distribution dialog did not appear"
if xdotool search --onlyvisible --name "^Sorabun - " >/dev/null 2>&1; then
    fail "the main window showed while the dialog was open"
fi
keys_to "$d" Tab Down Down Tab space
sleep 0.3
keys_to "$d" Escape
w=$(wait_window "Sorabun - 3") || fail "the main window did not appear after the dialog"
keys_to "$w" ctrl+q
wait_exit
page_is 3 "'third file'" || fail "page 3 does not hold the transferred file"
page_is 1 "'Sorabun メモ' || char(13, 10) || 'line two'" || fail "page 1 changed"

echo "PASS: intake end to end"
