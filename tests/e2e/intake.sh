#!/bin/bash
# Files named on the command line, end to end: the real program under Xvfb,
# keys sent with xdotool, the store read back with the sqlite3 tool.
#
#   1. a first start without files creates the store; Ctrl+Q ends it;
#   2. with the option "AutoOP" stored, two files (one named relative to the
#      working folder, with a space and capitals, in code page 932) go into
#      the blank pages 1 and 2 without any dialog;
#   3. without options, one file opens the distribution dialog; the keyboard
#      transfers it into page 3 and closes the dialog; the window then opens;
#   4. a large file: it fills its page, and a program started from Sorabun
#      (the help opener) sees the environment Sorabun was started with.
#
# usage: intake.sh <path of the sorabun binary>
set -euo pipefail

bin=$(realpath "${1:?usage: intake.sh <sorabun binary>}")

. "$(dirname "$0")/lib.sh"
work="$tmp/work"
mkdir -p "$work"

# 1. First start: the store is created; Ctrl+Q ends the program.
first_start
[[ -f "$db" ]] || fail "no store at $db"
[[ $(value Page) == 1 ]] || fail "Page was not stored"
[[ $(value AutoOP) == 0 ]] || fail "AutoOP was not stored as 0"

# 2. AutoOP: two files into the blank pages 1 and 2, no dialog.
set_value AutoOP 1
set_value 3 "kept"
cd "$work"
printf 'Sorabun \x83\x81\x83\x82\r\nline two' > "Memo A.TXT" # "メモ" in code page 932
printf 'second file' > b.txt
"$bin" "Memo A.TXT" "$work/b.txt" &
pid=$!
w=$(wait_window "Sorabun - 1")
if xdotool search --onlyvisible --name "^展開先選択\$" >/dev/null 2>&1; then
    fail "the distribution dialog appeared although every file was placed"
fi
keys_to "$w" ctrl+q
wait_exit
page_is 1 "'Sorabun メモ' || char(13, 10) || 'line two'" || fail "page 1 does not hold the first file"
page_is 2 "'second file'" || fail "page 2 does not hold the second file"
page_is 3 "'kept'" || fail "page 3 was overwritten"
[[ $(value AutoOP) == 1 ]] || fail "AutoOP did not survive the run"

# 3. No option: the dialog lists the file; Tab Tab Space transfers it into
#    the chosen page (the third), Esc closes the dialog, the window opens.
set_value AutoOP 0
set_value Page 3
set_value 3 "old three"
printf 'third file' > C.txt
"$bin" "$work/C.txt" &
pid=$!
d=$(wait_window "展開先選択")
if xdotool search --onlyvisible --name "^Sorabun - " >/dev/null 2>&1; then
    fail "the main window showed while the dialog was open"
fi
keys_to "$d" Tab Down Down Tab space
sleep 0.3
keys_to "$d" Escape
w=$(wait_window "Sorabun - 3")
keys_to "$w" ctrl+q
wait_exit
page_is 3 "'third file'" || fail "page 3 does not hold the transferred file"
page_is 1 "'Sorabun メモ' || char(13, 10) || 'line two'" || fail "page 1 changed"

# 4. A large file; F1 starts a stand-in for the help opener that notes its
#    environment.
set_value AutoOP 1
set_value 4 ""
set_value Page 4
mkdir -p "$tmp/bin"
printf '#!/bin/sh\nenv > "%s"\n' "$tmp/opener.env" > "$tmp/bin/xdg-open"
chmod +x "$tmp/bin/xdg-open"
head -c $((5 << 20)) < <(yes 'a line of the memo') > big.txt
PATH="$tmp/bin:$PATH" GLIBC_TUNABLES=glibc.malloc.arena_max=4 "$bin" big.txt &
pid=$!
w=$(wait_window "Sorabun - 4")
keys_to "$w" F1
for _ in $(seq 1 50); do [[ -s "$tmp/opener.env" ]] && break; sleep 0.1; done
keys_to "$w" ctrl+q
wait_exit
[[ $(value 4 | wc -c) -eq $(((5 << 20) + 1)) ]] || fail "page 4 does not hold the large file"
[[ -s "$tmp/opener.env" ]] || fail "F1 started no help opener"
grep -qx 'GLIBC_TUNABLES=glibc.malloc.arena_max=4' "$tmp/opener.env" ||
    fail "the help opener saw $(grep GLIBC_TUNABLES "$tmp/opener.env" || echo 'no GLIBC_TUNABLES')"

echo "PASS: intake end to end"
