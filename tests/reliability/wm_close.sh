#!/usr/bin/env bash
# The real program under Xvfb, closed the way a window manager closes it (a
# WM_DELETE_WINDOW message, as the title bar's close button sends): the whole
# shut-down runs, so the text typed and the page on show are in the store.
#   wm_close.sh SORABUN WM_CLOSE
set -euo pipefail
bin=$(realpath "$1")
closer=$(realpath "$2")

if [ -z "${SORABUN_E2E_DISPLAY:-}" ]; then
  export SORABUN_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
unset QT_QPA_PLATFORM
db="$XDG_CONFIG_HOME/sorabun/store.sqlite"

value() { sqlite3 "$db" "SELECT value FROM settings WHERE app='Orvanti' AND section='Note' AND key='$1'"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
window_of() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
wait_exit() {
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      [ "$status" -eq 0 ] || fail "the program ended with status $status"
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end after the window manager closed it"
}
session() {  # page-title text-to-type
  "$bin" &
  pid=$!
  w=$(timeout 20 bash -c "$(declare -f window_of); window_of '$1'") || fail "no window '$1'"
  xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
  sleep 0.5
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
w=$(timeout 20 bash -c "$(declare -f window_of); window_of 'Sorabun - 1'") || fail "no second window"
xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
sleep 0.5
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
