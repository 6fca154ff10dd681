#!/usr/bin/env bash
# What is typed survives an end without shut-down: the real program under
# Xvfb with openbox, killed with SIGKILL two seconds after the typing paused
# (the idle save has written it), then its display killed right after typing
# (the program writes on its way out).
set -euo pipefail
bin=$(realpath "$1")

. "$(dirname "$0")/lib.sh"

start() {
  "$bin" "$@" &
  pid=$!
}
# Waits for the killed program to be gone.
wait_gone() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  fail "the program did not end"
}

# 1. Typing, a pause of two seconds, SIGKILL.
start
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool type --delay 30 "important memo"
xdotool key Return
xdotool type --delay 250 "日本語" # slowly: each borrows a spare key
sleep 2
kill -KILL "$pid"
wait_gone
[ "$(value 1)" = "$(printf 'important memo\r\n日本語')" ] || fail "after SIGKILL page 1 holds '$(value 1)'"
[ "$(value SelStart)" = "19" ] || fail "after SIGKILL SelStart is '$(value SelStart)'"

# 2. Another page, the caret moved, a pause, SIGKILL: the next start is there.
start
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool key ctrl+F3
sleep 0.3
xdotool type --delay 30 "page three"
xdotool key Left Left
sleep 2
kill -KILL "$pid"
wait_gone
[ "$(value 3)" = "page three" ] || fail "page 3 holds '$(value 3)'"
[ "$(value Page)" = "3" ] || fail "Page is '$(value Page)'"
[ "$(value SelStart)" = "8" ] || fail "SelStart is '$(value SelStart)'"

# 3. The display goes away right after typing, with no pause at all. The
#    program gets a display of its own here, so the one of this script lives on.
n=$(( ${DISPLAY#:} + 1 ))
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb2.log" 2>&1 &
xvfb2=$!
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
DISPLAY=":$n" openbox --sm-disable >"$tmp/openbox2.log" 2>&1 &
sleep 0.5
DISPLAY=":$n" start
w=$(DISPLAY=":$n" wait_window 'Sorabun - 3')
DISPLAY=":$n" focus "$w"
DISPLAY=":$n" xdotool key End
DISPLAY=":$n" xdotool type --delay 30 " and more"
kill -KILL "$xvfb2"
wait_gone
typed="page three and more"
stored=$(value 3)
[ "$stored" = "$typed" ] || fail "after the display went away page 3 holds '$stored' (lost $(( ${#typed} - ${#stored} )) characters)"
echo "e2e safekeeping: 1 passed, 0 failed"
