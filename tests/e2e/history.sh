#!/usr/bin/env bash
# The real program under Xvfb: type a memo, select all and type over it,
# open 特殊 → ページの履歴 from the keyboard, restore the memo with Enter,
# quit with Ctrl+Q, and check that the store holds the memo again and the
# history file beside it the snapshots.
set -euo pipefail
bin=$(realpath "$1")
shots=${2:-}

. "$(dirname "$0")/lib.sh"

history="$XDG_CONFIG_HOME/sorabun/history.sqlite"

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool type --delay 30 "original memo text"
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 30 "x"
sleep 0.5

# The menu bar from the keyboard: 編集, then right to 特殊, its item R.
xdotool key alt+e
sleep 0.3
xdotool key --delay 150 Right Right Right
sleep 0.3
xdotool key r
d=$(wait_window 'ページの履歴')
sleep 0.5
if [ -n "$shots" ]; then import -window root "$shots/history.png" || true; fi
keys_to "$d" Return
sleep 0.5
xdotool search --onlyvisible --name '^ページの履歴$' >/dev/null 2>&1 && fail "the dialog is still open"
keys_to "$w" ctrl+q
wait_exit

[ "$(value 1)" = "original memo text" ] || fail "page 1 holds '$(value 1)'"
kept=$(sqlite3 "$history" "SELECT count(*) FROM snapshots WHERE page = 1")
[ "$kept" -ge 2 ] || fail "the history holds $kept snapshots of page 1"
[ "$(sqlite3 "$history" "SELECT count(*) FROM snapshots s JOIN texts t ON t.id = s.text
                          WHERE s.page = 1 AND t.body = 'x'")" = 1 ] ||
  fail "the text typed over is not in the history"
echo "e2e history: 1 passed, 0 failed"
