#!/usr/bin/env bash
# The real program under Xvfb: type on page 1, switch to page 5 with Ctrl+F5,
# quit with Ctrl+Q, start again on page 5, type more, end with SIGTERM, and
# check that the store holds every character typed.
set -euo pipefail
bin=$(realpath "$1")
shots=${2:-}

. "$(dirname "$0")/lib.sh"

start() {
  "$bin" "$@" &
  pid=$!
}

start
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool type --delay 30 "hello "
# Each character outside the keymap borrows a spare key: slowly, so a
# busy program reads every one before the key is lent to the next.
xdotool type --delay 250 "日本語メモ"
xdotool key --delay 50 Return
xdotool type --delay 30 "line2"
xdotool key ctrl+F5
sleep 0.3
xdotool type --delay 30 "five"
xdotool key ctrl+q
wait_exit

[ "$(value 1)" = "$(printf 'hello 日本語メモ\r\nline2')" ] || fail "page 1 holds '$(value 1)'"
[ "$(value 5)" = "five" ] || fail "page 5 holds '$(value 5)'"
[ "$(value Page)" = "5" ] || fail "Page is '$(value Page)'"
[ "$(value SelStart)" = "4" ] || fail "SelStart is '$(value SelStart)'"

start
w=$(wait_window 'Sorabun - 5')
focus "$w"
xdotool type --delay 30 " more"
sleep 0.3
if [ -n "$shots" ]; then import -window root "$shots/memo.png" || true; fi
kill -TERM "$pid"
wait_exit
[ "$(value 5)" = "five more" ] || fail "after SIGTERM page 5 holds '$(value 5)'"

for sig in INT HUP; do
  start
  w=$(wait_window 'Sorabun - 5')
  focus "$w"
  xdotool type --delay 30 "$sig"
  sleep 0.3
  kill -"$sig" "$pid"
  wait_exit
done
[ "$(value 5)" = "five moreINTHUP" ] || fail "after SIGINT and SIGHUP page 5 holds '$(value 5)'"
echo "e2e memo: 1 passed, 0 failed"
