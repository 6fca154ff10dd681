#!/usr/bin/env bash
# The window's place under a real window manager: "Left", "Top", "Width" and
# "Height" are the outer frame; starting and quitting again and again leaves
# them as they are; a placement larger than the screen, or a store written at
# another scale, comes back on the screen; maximized and minimized exits come
# back as they should.
#   placement.sh SORABUN [FOLDER FOR SCREENSHOTS]
set -euo pipefail
bin=$(realpath "$1")
shots=${2:-}

. "$(dirname "$0")/lib.sh"

placement() { echo "$(value Left) $(value Top) $(value Width) $(value Height)"; }
# The outer rectangle of window $1, frame included, in pixels: x y width height.
outer() {
  local x y w h l r t b
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF}
      /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF} /Height:/ {h = $NF}
      END {print x, y, w, h}')
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# Twips as pixels at the 96 dpi of this display.
px() { for t in "$@"; do printf '%d ' "$(((t * 2 + 15) / 30))"; done | sed 's/ $//'; }
start() {
  env "${@:2}" "$bin" &
  pid=$!
  w=$(wait_window "$1")
  sleep 0.5
}
quit() {
  keys_to "$w" ctrl+q
  wait_exit
}
on_screen() {
  local x y ow oh
  read -r x y ow oh < <(outer "$w")
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + ow)) -le 1280 ] && [ $((y + oh)) -le 1024 ] ||
    fail "$1: the window lies at $x $y $ow $oh, not on the 1280x1024 screen"
}
maximized() { xprop -id "$w" _NET_WM_STATE | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ'; }

# A first start: the default size, centred; its outer frame is what is stored.
default="3863 3510 11475 8340"
start 'Sorabun - 1'
[ "$(outer "$w")" = "$(px $default)" ] || fail "first start: the outer frame is $(outer "$w")"
quit
[ "$(placement)" = "$default" ] || fail "first exit stored $(placement)"

# Three more starts and quits: nothing moves, nothing grows.
for run in 2 3 4; do
  start 'Sorabun - 1'
  [ "$(outer "$w")" = "$(px $default)" ] || fail "start $run: the outer frame is $(outer "$w")"
  if [ "$run" = 4 ] && [ -n "$shots" ]; then import -window root "$shots/placement.png" || true; fi
  quit
  [ "$(placement)" = "$default" ] || fail "exit $run stored $(placement)"
done

# A store written at scale 1, opened at scale 2, still shows on the screen.
start 'Sorabun - 1' QT_SCALE_FACTOR=2
on_screen "at scale 2"
quit

# Larger than the screen: moved and shrunk onto it.
set_value Window 0
set_value Left 1500
set_value Top 1500
set_value Width 40000
set_value Height 30000
start 'Sorabun - 1'
on_screen "a placement larger than the screen"
quit
[ "$(placement)" = "0 0 19200 15360" ] || fail "after a placement too large, stored $(placement)"

# Maximized at exit: maximized again at the next start.
set_value Window 2
start 'Sorabun - 1'
maximized || fail "the window did not open maximized"
quit
[ "$(value Window)" = 2 ] || fail "a maximized exit stored Window $(value Window)"
start 'Sorabun - 1'
maximized || fail "the window did not open maximized again"
quit

# Minimized at exit: four zeros, and the next start is the default, centred.
set_value Window 0
set_value Left 3000
set_value Top 2000
set_value Width 9000
set_value Height 6000
start 'Sorabun - 1'
[ "$(outer "$w")" = "$(px 3000 2000 9000 6000)" ] || fail "stored place: outer frame $(outer "$w")"
xdotool windowminimize "$w"
for _ in $(seq 1 50); do
  xprop -id "$w" WM_STATE | grep -q Iconic && break
  sleep 0.1
done
kill -TERM "$pid"
wait_exit
[ "$(value Window) $(placement)" = "1 0 0 0 0" ] || fail "a minimized exit stored $(value Window) $(placement)"
start 'Sorabun - 1'
maximized && fail "the window opened maximized after a minimized exit"
[ "$(outer "$w")" = "$(px $default)" ] || fail "after a minimized exit: outer frame $(outer "$w")"
quit
echo "e2e placement: 1 passed, 0 failed"
