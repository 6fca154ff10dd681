# Shared by the end-to-end scripts: sourced after `bin` is set. Runs the
# script again under its own Xvfb with a real window manager (openbox: frames,
# activation and focus hand-over as on a desktop), gives the program a store
# of its own in a temporary folder, and offers helpers to find windows, read
# the store and wait for the program to end. A script that brings its own
# display (a Wayland compositor) sets SORABUN_E2E_DISPLAY=own first.

if [ -z "${SORABUN_E2E_DISPLAY:-}" ]; then
  export SORABUN_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
export XDG_DATA_HOME="$tmp/data"
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The window manager, ready before the program maps its first window.
if [ "$SORABUN_E2E_DISPLAY" != own ]; then
  openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
  for _ in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
fi
unset QT_QPA_PLATFORM
db="$XDG_CONFIG_HOME/sorabun/store.sqlite"

value() { sqlite3 "$db" "SELECT value FROM settings WHERE app='Orvanti' AND section='Note' AND key='$1'"; }
# Sets key $1 to the value of the SQL expression $2.
set_sql() {
  sqlite3 "$db" "INSERT INTO settings (app, section, key, value) VALUES ('Orvanti', 'Note', '$1', $2)
                 ON CONFLICT (app, section, key) DO UPDATE SET value = excluded.value;"
}
set_value() { set_sql "$1" "'$2'"; }
# SQL for a text of 31 million characters, 310 000 lines of 100 that begin
# with $1: the program takes seconds to build a page of it.
long_text() {
  echo "replace(hex(zeroblob(310000)), '00', substr('$1' || hex(zeroblob(49)), 1, 98) || char(13, 10))"
}
# Whether page n holds exactly the text of the SQL expression.
page_is() {
  [ "$(sqlite3 "$db" "SELECT value = $2 FROM settings WHERE app='Orvanti' AND section='Note' AND key='$1'")" = 1 ]
}
# Sends keys to the window with the keyboard focus put on it first.
keys_to() {
  local id=$1
  shift
  focus "$id"
  xdotool key --clearmodifiers "$@"
}
fail() { echo "FAIL: $*" >&2; exit 1; }
window_of() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# Prints the id of the window titled $1, waiting up to 20 s for it.
wait_window() {
  timeout 20 bash -c "$(declare -f window_of); window_of '$1'" || fail "no window '$1'"
}
focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.5
}
# Starts the program without files and ends it with Ctrl+Q: the store then
# exists for set_value.
first_start() {
  "$bin" &
  pid=$!
  local w
  w=$(wait_window "Sorabun - 1")
  keys_to "$w" ctrl+q
  wait_exit
}
# Waits for the program started as $pid to end, and to end well: with the
# status $1 (0 unless given), within $2 seconds (10 unless given).
wait_exit() {
  for _ in $(seq 1 $((${2:-10} * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      local status=0
      wait "$pid" || status=$?
      [ "$status" -eq "${1:-0}" ] || fail "the program ended with status $status"
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end"
}
