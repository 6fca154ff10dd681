#!/usr/bin/env bash
# The real program under Xvfb, closed the way a window manager closes it (a
# WM_DELETE_WINDOW message, as the title bar's close button sends): the whole
# shut-down runs, so the text typed and the page on show are in the store.
#   wm_close.sh SORABUN WM_CLOSE
set -euo pipefail
bin=$(realpath "$1")
closer=$(realpath "$2")

. "$(dirname "$0")/../e2e/lib.sh"

session() {  # page-title text-to-type
  "$bin" &
  pid=$!
  w=$(wait_window "$1")
  focus "$w"
  xdotool type --delay 30 "$2"
  sleep 0.3
  "$closer" "$w" || fail "the main window does not take the window manager's close message"
  wait_exit
}

session 'Sorabun - 1' "closed"
[ "$(value 1)" = "closed" ] || fail "page 1 holds '$(value 1)'"
[ "$(value Page)" = "1" ] || fail "Page is '$(value Page)'"

# Once more on a page chosen with Ctrl+F4: the next start is on that page.
"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool key ctrl+F4
sleep 0.3
xdotool type --delay 30 "four"
sleep 0.3
"$closer" "$w" || fail "the close message was refused"
wait_exit
[ "$(value 4)" = "four" ] || fail "page 4 holds '$(value 4)'"
[ "$(value Page)" = "4" ] || fail "Page is '$(value Page)' after closing on page 4"
[ "$(value 1)" = "closed" ] || fail "page 1 lost its text: '$(value 1)'"

session 'Sorabun - 4' " again"
[ "$(value 4)" = "four again" ] || fail "page 4 holds '$(value 4)'"
echo "wm close: 1 passed, 0 failed"
