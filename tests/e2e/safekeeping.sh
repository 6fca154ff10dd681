#!/usr/bin/env bash
# What is typed survives an end without shut-down: the real program under
# Xvfb with openbox, killed with SIGKILL two seconds after the typing paused
# (the idle save has written it), then its display killed right after typing
# (the program writes on its way out). Then the ends that come in the middle
# of long work: a signal while a large page is shown or a large file is read
# into the page, the display gone while a page is built, and a signal in the
# distribution dialog at start-up. Every page in the store then holds its old
# text or its whole new one.
set -euo pipefail
bin=$(realpath "$1")

. "$(dirname "$0")/lib.sh"

start() {
  "$bin" "$@" &
  pid=$!
}
# Starts an X server of its own, with openbox, for the program to lose; the
# display of this script lives on. Sets n (its number) and xvfb2.
own_display() {
  n=$(( ${DISPLAY#:} + 1 ))
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb$n.log" 2>&1 &
  xvfb2=$!
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  DISPLAY=":$n" openbox --sm-disable >"$tmp/openbox$n.log" 2>&1 &
  sleep 0.5
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

# 3. The display goes away right after typing, with no pause at all.
own_display
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

long_page=$(long_text "a line of the long page two")
set_sql 2 "$long_page"
[ "$(sqlite3 "$db" "SELECT length(value) FROM settings WHERE key='2'")" = 31000000 ] || fail "no long page 2"
long_file="$tmp/long file.txt"
sqlite3 :memory: "SELECT writefile('$long_file', $(long_text "a line of the long file"))" >/dev/null

# Starts on page 1 holding "small page one", then starts long work ($1:
# switch or open), and sends TERM $2 seconds later. The program ends well.
# Counts the switches still under way at the TERM (the title still says 1).
during=0
term_during() {
  set_value Page 1
  set_value 1 "small page one"
  start
  w=$(wait_window 'Sorabun - 1')
  focus "$w"
  if [ "$1" = switch ]; then
    xdotool key ctrl+F2
  else
    xdotool key ctrl+o
    d=$(wait_window '開く')
    focus "$d"
    xdotool type --delay 10 "$long_file"
    xdotool key Return
  fi
  sleep "$2"
  if [ "$1" = switch ] && xdotool search --onlyvisible --name '^Sorabun - 1$' >/dev/null 2>&1; then
    during=$((during + 1))
  fi
  kill -TERM "$pid"
  wait_exit 0 60 # the work ends first, slowly on a busy machine
}

# 4. TERM while page 2 is being built: both pages are whole, page 2 on show.
for delay in 0.3 0.8 1.5; do
  term_during switch "$delay"
  page_is 1 "'small page one'" || fail "TERM $delay s into the switch: page 1 holds $(value 1 | wc -c) bytes"
  page_is 2 "$long_page" || fail "TERM $delay s into the switch: page 2 holds $(value 2 | wc -c) bytes"
  [ "$(value Page)" = 2 ] || fail "TERM $delay s into the switch: Page is '$(value Page)'"
done
[ "$during" -gt 0 ] || fail "no TERM came while the page was being built"
echo "$during of 3 TERMs came while the page was being built"

# 5. TERM while a file is read into page 1: the page holds all of it.
for delay in 0.3 1.5; do
  term_during open "$delay"
  page_is 1 "$(long_text "a line of the long file")" ||
    fail "TERM $delay s into reading the file: page 1 holds $(value 1 | wc -c) bytes"
done

# 6. The display goes away while page 2 is being built: the program ends and
#    leaves both pages as they were.
set_value Page 1
set_value 1 "small page one"
own_display
DISPLAY=":$n" start
w=$(DISPLAY=":$n" wait_window 'Sorabun - 1')
DISPLAY=":$n" focus "$w"
DISPLAY=":$n" xdotool key ctrl+F2
sleep 1
kill -KILL "$xvfb2"
wait_gone
page_is 1 "'small page one'" || fail "the display gone during the switch: page 1 holds $(value 1 | wc -c) bytes"
page_is 2 "$long_page" || fail "the display gone during the switch: page 2 holds $(value 2 | wc -c) bytes"

# 7. TERM in the distribution dialog at start-up, after one of two files was
#    transferred into page 3: the program ends at once, with that page stored
#    and without showing its window.
set_value 3 "old three"
set_value 4 ""
printf 'first file' > "$tmp/first.txt"
printf 'second file' > "$tmp/second.txt"
start "$tmp/first.txt" "$tmp/second.txt"
d=$(wait_window "展開先選択")
keys_to "$d" Tab Down Down Tab space
sleep 0.5
kill -TERM "$pid"
wait_exit
if xdotool search --onlyvisible --name "^Sorabun - " >/dev/null 2>&1; then
  fail "the main window showed after TERM in the distribution dialog"
fi
page_is 3 "'first file'" || fail "page 3 holds '$(value 3)' after TERM in the distribution dialog"
page_is 4 "''" || fail "page 4 holds '$(value 4)'"
echo "e2e safekeeping: 1 passed, 0 failed"
