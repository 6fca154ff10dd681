#!/usr/bin/env bash
# The status bar under Xvfb with openbox: turned on with the keyboard
# (Alt+V, S), the window keeps its outer frame; typing, a selection and the
# zoom keys of US and Japanese keyboards show in its fields; a restart shows
# it again, at 100 %. The
# fields are read as a screen reader reads them, over the accessibility bus
# (AT-SPI) of a session bus of the script's own.
set -euo pipefail
bin=$(realpath "$1")
shots=${2:-}

if [ -z "${SORABUN_E2E_DBUS:-}" ]; then
  export SORABUN_E2E_DBUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
. "$(dirname "$0")/lib.sh"

# Accessibility on, as a desktop turns it on for a screen reader.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
  variant:boolean:true >/dev/null

cat >"$tmp/fields.py" <<'PY'
# Prints the status bar's fields of the running Sorabun, one a line, as
# assistive tools read them ("位置 行 1、列 1"); nothing while there is none.
import pyatspi

def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)

desktop = pyatspi.Registry.getDesktop(0)
for app in desktop:
    if app is None or app.name.lower() != "sorabun":
        continue
    for node in walk(app):
        if node.getRole() == pyatspi.ROLE_STATUS_BAR and node.getState().contains(pyatspi.STATE_SHOWING):
            for field in walk(node):
                if field.getRole() == pyatspi.ROLE_LABEL:
                    print(field.name)
PY
# The fields, one a line, once they read as expected ($1, lines apart by
# "|") or after 10 s.
fields_are() {
  local want got
  want=$(printf '%s' "$1" | tr '|' '\n')
  for _ in $(seq 1 50); do
    got=$(/usr/bin/python3 "$tmp/fields.py" 2>/dev/null || true)
    [ "$got" = "$want" ] && return 0
    sleep 0.2
  done
  fail "the status bar reads '$(printf '%s' "$got" | tr '\n' '|')', not '$1'"
}
frame() { xwininfo -id "$1" -frame | grep -E 'Absolute|Width|Height' | tr -s ' \n' ' '; }

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
[ -z "$(/usr/bin/python3 "$tmp/fields.py")" ] || fail "a status bar at the first start"
before=$(frame "$w")
xdotool key --clearmodifiers alt+v
sleep 0.3
xdotool key s
fields_are "位置 行 1、列 1|文字数 0 文字|ズーム 100%|改行コード CRLF"
[ "$(frame "$w")" = "$before" ] || fail "the window moved or changed size: $before -> $(frame "$w")"

xdotool type --delay 30 "hello"
xdotool key Return
xdotool type --delay 30 "world"
xdotool key shift+Home ctrl+plus ctrl+equal ctrl+minus
fields_are "位置 行 2、列 1|文字数 5 / 10 文字|ズーム 110%|改行コード CRLF"
if [ -n "$shots" ]; then import -window root "$shots/statusbar.png" || true; fi
xdotool key ctrl+0
fields_are "位置 行 2、列 1|文字数 5 / 10 文字|ズーム 100%|改行コード CRLF"
# A Japanese keyboard: + is Shift+;, and Ctrl+; alone zooms in too.
setxkbmap jp
xdotool key ctrl+plus ctrl+semicolon
fields_are "位置 行 2、列 1|文字数 5 / 10 文字|ズーム 120%|改行コード CRLF"
setxkbmap us
xdotool key ctrl+q
wait_exit
[ "$(value StatusBar)" = "True" ] || fail "StatusBar is '$(value StatusBar)'"

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
xdotool key --clearmodifiers ctrl+plus
fields_are "位置 行 2、列 6|文字数 5 / 10 文字|ズーム 110%|改行コード CRLF"
xdotool key ctrl+q
wait_exit
[ "$(value StatusBar)" = "True" ] || fail "StatusBar is '$(value StatusBar)' after the restart"
[ "$(value FontSize)" = "12" ] || fail "FontSize is '$(value FontSize)' after zooming"
echo "e2e statusbar: 1 passed, 0 failed"
