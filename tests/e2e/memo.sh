#!/usr/bin/env bash
# The real program under Xvfb: type on page 1, switch to page 5 with Ctrl+F5,
# quit with Ctrl+Q, start again on page 5, type more, end with SIGTERM, and
# check that the store holds every character typed.
set -euo pipefail
bin=$(realpath "$1")
shots=${2:-}

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
start() {
  "$bin" "$@" &
  pid=$!
}
focus() {
  local w=$1
  xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
  sleep 0.5
}
wait_exit() {
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; return 0; }; sleep 0.1; done
  fail "the program did not end"
}

start
w=$(timeout 20 bash -c "$(declare -f window_of); window_of 'Sorabun - 1'") || fail "no window 'Sorabun - 1'"
focus "$w"
xdotool type --delay 30 "hello "
xdotool type --delay 60 "日本語メモ"
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
w=$(timeout 20 bash -c "$(declare -f window_of); window_of 'Sorabun - 5'") || fail "the second start is not on page 5"
focus "$w"
xdotool type --delay 30 " more"
sleep 0.3
if [ -n "$shots" ]; then import -window root "$shots/memo.png" || true; fi
kill -TERM "$pid"
wait_exit
[ "$(value 5)" = "five more" ] || fail "after SIGTERM page 5 holds '$(value 5)'"

for sig in INT HUP; do
  start
  w=$(timeout 20 bash -c "$(declare -f window_of); window_of 'Sorabun - 5'") || fail "no window before SIG$sig"
  focus "$w"
  xdotool type --delay 30 "$sig"
  sleep 0.3
  kill -"$sig" "$pid"
  wait_exit
done
[ "$(value 5)" = "five moreINTHUP" ] || fail "after SIGINT and SIGHUP page 5 holds '$(value 5)'"
echo "e2e memo: 1 passed, 0 failed"
