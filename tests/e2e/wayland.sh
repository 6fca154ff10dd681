#!/usr/bin/env bash
# Sorabun in a Wayland session: a headless Weston with Xwayland, the
# reference compositor of Debian, each run on one store. Without a choice of
# its own the program runs as an X11 program through Xwayland, or natively
# when no X server answers; QT_QPA_PLATFORM=wayland asks for native Wayland.
# Three starts and quits natively and three through Xwayland leave the stored
# place and size as they were (a Wayland program can neither read nor choose
# its place: the stored one stays); a maximized exit is kept; a file named on
# the command line and SIGTERM, or the compositor going away, leave the store
# written as under X11. Nothing can be typed into a headless Weston: the
# program is ended by signals there; typing goes through a Weston shown in an
# X server.
#   wayland.sh SORABUN
# Skipped (77) where Weston, Xwayland or the toolkit's Wayland plugin is
# missing, or Weston cannot start here.
set -euo pipefail
bin=$(realpath "$1")

skip() {
  echo "SKIP: $*"
  exit 77
}
command -v weston >/dev/null || skip "no weston here (scripts/install-deps installs it)"
command -v Xwayland >/dev/null || skip "no Xwayland here (package xwayland)"
plugins=$(/usr/lib/qt6/bin/qtpaths6 -query QT_INSTALL_PLUGINS 2>/dev/null || true)
compgen -G "${plugins:-/nonexistent}/platforms/libqwayland-*.so" >/dev/null ||
  skip "the toolkit has no Wayland plugin here (package qt6-wayland)"

export SORABUN_E2E_DISPLAY=own
. "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

socket=sorabun-e2e
log="$tmp/weston.log"
# A headless Weston with Xwayland, its protocol traffic logged (the only way to
# see a native window shown); sets WAYLAND_DISPLAY and DISPLAY.
start_weston() {
  : >"$log"
  weston --backend=headless-backend.so --xwayland --socket="$socket" --width=1280 \
    --height=1024 --idle-time=0 --logger-scopes=log,proto --log="$log" >/dev/null 2>&1 &
  weston_pid=$!
  local display=""
  for _ in $(seq 1 100); do
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log")
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && [ -n "$display" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && [ -n "$display" ] ||
    skip "weston does not start here: $(tail -n 3 "$log" | tr '\n' ' ')"
  export WAYLAND_DISPLAY=$socket DISPLAY=$display
}
stop_weston() {
  kill "$weston_pid" 2>/dev/null || true
  wait "$weston_pid" 2>/dev/null || true
}

placement() { echo "$(value Left) $(value Top) $(value Width) $(value Height)"; }
# Whether the window titled $1 is shown natively: after line $2 the log holds
# its title and then a picture from the same client.
shown_natively() {
  tail -n +"$(($2 + 1))" "$log" | awk -v t="set_title(\"$1\")" '
    index($0, t) { c = $0; sub(/.* client /, "", c); sub(/ .*/, "", c) }
    c != "" && index($0, "client " c " rq wl_surface@") && index($0, ".attach(wl_buffer") { f = 1 }
    END { exit !f }'
}
# Starts the program with the environment $2... and its arguments after "--",
# until its window titled $1 is shown; $on is then the platform it runs on:
# wayland (shown natively) or xcb (an X window through Xwayland).
start() {
  local title=$1 from
  shift
  from=$(wc -l <"$log")
  local envs=() args=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do envs+=("$1"); shift; done
  [ $# -gt 0 ] && shift && args=("$@")
  env "${envs[@]}" "$bin" "${args[@]}" 2>>"$tmp/program.log" &
  pid=$!
  on=""
  for _ in $(seq 1 200); do
    if shown_natively "$title" "$from"; then
      on=wayland
    elif [ -n "$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null)" ]; then
      on=xcb
    fi
    [ -n "$on" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window '$title' was shown"
    sleep 0.1
  done
  [ -n "$on" ] || fail "no window '$title' shown"
  sleep 0.5
}
term() {
  kill -TERM "$pid"
  wait_exit
}

start_weston
first_place="3863 3510 11475 8340" # the default size, centred on 1280 x 1024
stored_place="3000 2000 9000 6000"
set_place() {
  read -r l t w h <<<"$1"
  set_value Window 0
  set_value Left "$l"
  set_value Top "$t"
  set_value Width "$w"
  set_value Height "$h"
}

# 1. Natively, asked for: a first start writes the default place; three more
#    starts and quits keep a stored place and size to the twip.
start 'Sorabun - 1' QT_QPA_PLATFORM=wayland
[ "$on" = wayland ] || fail "QT_QPA_PLATFORM=wayland ran on $on"
term
[ "$(value Window) $(placement)" = "0 $first_place" ] || fail "native first exit stored $(placement)"
set_place "$stored_place"
for run in 1 2 3; do
  start 'Sorabun - 1' QT_QPA_PLATFORM=wayland
  term
  [ "$(placement)" = "$stored_place" ] || fail "native exit $run stored $(placement)"
done

# 2. Through Xwayland, the program's own choice: three starts and quits.
for run in 1 2 3; do
  start 'Sorabun - 1'
  [ "$on" = xcb ] || fail "without a choice the program ran on $on, not through Xwayland"
  term
  [ "$(placement)" = "$stored_place" ] || fail "Xwayland exit $run stored $(placement)"
done

# 3. Maximized at exit, natively and through Xwayland: maximized again, and
#    natively the stored place stays.
set_value Window 2
start 'Sorabun - 1' QT_QPA_PLATFORM=wayland
term
[ "$(value Window) $(value Left) $(value Top)" = "2 3000 2000" ] ||
  fail "a native maximized exit stored Window $(value Window), place $(value Left) $(value Top)"
start 'Sorabun - 1'
term
[ "$(value Window)" = 2 ] || fail "a maximized exit through Xwayland stored Window $(value Window)"

# 4. No X server answers: native Wayland without being asked.
set_place "$stored_place"
start 'Sorabun - 1' DISPLAY=:65000
[ "$on" = wayland ] || fail "with no X server the program ran on $on"
term
[ "$(placement)" = "$stored_place" ] || fail "native fallback stored $(placement)"

# 5. A file named on the command line, then SIGTERM: the file is page 1 and
#    the state is written at the end.
printf 'Wayland\r\nのメモ\r\n' >"$tmp/memo.txt"
set_value NoeNumOP 1
sqlite3 "$db" "DELETE FROM settings WHERE key IN ('Page', 'Ret', 'SelStart')"
start 'Sorabun - 1' QT_QPA_PLATFORM=wayland -- "$tmp/memo.txt"
term
page_is 1 "'Wayland' || char(13, 10) || 'のメモ' || char(13, 10)" || fail "page 1 holds '$(value 1)'"
[ "$(value Page) $(value Ret) $(value SelStart)" = "1 True 0" ] ||
  fail "after SIGTERM Page, Ret, SelStart are $(value Page) $(value Ret) $(value SelStart)"
[ "$(placement)" = "$stored_place" ] || fail "after a file and SIGTERM stored $(placement)"

# 6. The compositor goes away, natively and through Xwayland: the state is
#    written on the way out, all but the window's place (as when an X display
#    goes away), and the program ends with status 1.
for native in yes no; do
  sqlite3 "$db" "DELETE FROM settings WHERE key IN ('Page', 'Ret'); UPDATE settings SET value = '1' WHERE key = 'Left'"
  if [ "$native" = yes ]; then
    start 'Sorabun - 1' QT_QPA_PLATFORM=wayland -- "$tmp/memo.txt"
  else
    start 'Sorabun - 1' -- "$tmp/memo.txt"
  fi
  stop_weston
  wait_exit 1
  [ "$(value Page) $(value Ret) $(value Left)" = "1 True 1" ] ||
    fail "$on: after the compositor went away Page, Ret, Left are $(value Page) $(value Ret) $(value Left)"
  start_weston
done

# 7. Typed through the compositor, natively: a Weston of its own in a window
#    of an X server, given keys with xdotool. What is typed is kept by the idle
#    save, copy and paste go through the compositor's clipboard, Ctrl+Q ends.
stop_weston
n=100
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1400x1100x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
: >"$log"
DISPLAY=":$n" weston --backend=x11-backend.so --use-pixman --width=1280 --height=1024 \
  --socket="$socket" --idle-time=0 --logger-scopes=log,proto --log="$log" >/dev/null 2>&1 &
weston_pid=$!
for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
keys() { DISPLAY=":$n" xdotool "$@"; sleep 0.3; }
set_value 1 ''
start 'Sorabun - 1' QT_QPA_PLATFORM=wayland
keys type --delay 50 'abc'
for _ in $(seq 1 50); do page_is 1 "'abc'" && break; sleep 0.1; done
page_is 1 "'abc'" || fail "typed natively, the idle save stored '$(value 1)'"
keys key ctrl+a
keys key ctrl+c
keys key ctrl+End
keys key ctrl+v
keys key ctrl+q
wait_exit
page_is 1 "'abcabc'" || fail "copied and pasted natively, page 1 holds '$(value 1)'"

echo "e2e wayland: 1 passed, 0 failed"
