#!/usr/bin/env bash
# The real program under Xvfb, closed the way a window manager closes it (a
# WM_DELETE_WINDOW message, as the title bar's close button sends): the whole
# shut-down runs, so the text typed and the page on show are in the store,
# also when the close comes while a large page is being built.
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

# Closed while a page of 31 million characters is being built, once its
# progress dialog shows when the build lasts that long: the window closes once
# the page is whole, and both pages are whole in the store.
long_page=$(long_text "a line of the long page two")
set_sql 2 "$long_page"
set_value Page 1
"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool key ctrl+F2
sleep 0.5
for _ in $(seq 1 100); do # the dialog, unless the page is built first
  xdotool search --onlyvisible --name '^Sorabun$' >/dev/null 2>&1 && break
  xdotool search --onlyvisible --name '^Sorabun - 1$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Sorabun - 1$' >/dev/null || echo "(the page was built before the close)"
"$closer" "$w" || fail "the close message was refused during the build"
wait_exit 0 60 # the build ends first, slowly on a busy machine
[ "$(value 1)" = "closed" ] || fail "closed during the build: page 1 holds $(value 1 | wc -c) bytes"
page_is 2 "$long_page" || fail "closed during the build: page 2 holds $(value 2 | wc -c) bytes"
[ "$(value Page)" = "2" ] || fail "closed during the build: Page is '$(value Page)'"
echo "wm close: 1 passed, 0 failed"
