#!/usr/bin/env bash
# Japanese input through ibus with Mozc: the real program under Xvfb, romaji
# typed as X key events, converted by Mozc and committed into the page; after
# Ctrl+Q the store holds 日本語. ibus serves no root session, so a run as root
# creates an ordinary user and runs the check as that user. Where the input
# method is not installed or no such user can be made, the check is skipped
# (status 77) with the reason.
set -euo pipefail
bin=$(realpath "$1")
script=$(realpath "$0")

skip() {
  echo "SKIP: $*"
  exit 77
}

for tool in ibus-daemon ibus dbus-run-session xvfb-run xdotool sqlite3; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (see scripts/install-deps)"
done
engine=/usr/lib/ibus-mozc/ibus-engine-mozc
[ -x "$engine" ] || skip "ibus-mozc is not installed"

# ---- as root: run again as an ordinary user ------------------------------------
if [ "$(id -u)" -eq 0 ]; then
  user=sorabun-e2e
  created=
  if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --user-group --no-create-home --home-dir /nonexistent \
      --shell /usr/sbin/nologin "$user" 2>/dev/null || skip "cannot create the ordinary user $user"
    created=1
  fi
  # A home and a copy of the program the user can reach, whatever the
  # permissions of the build folder.
  home=$(mktemp -d)
  cp "$bin" "$home/sorabun"
  chmod 755 "$home" "$home/sorabun"
  chown -R "$user:" "$home"
  status=0
  runuser -u "$user" -- env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8 \
    bash "$script" "$home/sorabun" || status=$?
  # The user is this check's own: what it left running (Mozc's server
  # outlives the input method) ends with it, and so does the user.
  for left in $(pgrep -u "$user" || true); do kill "$left" 2>/dev/null || true; done
  rm -rf "$home"
  if [ -n "$created" ]; then
    sleep 0.5
    userdel "$user" 2>/dev/null || true
  fi
  exit "$status"
fi

# ---- as an ordinary user: a session bus of its own, then Xvfb ------------------
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- bash "$script" "$bin"
fi

. "$(dirname "$script")/lib.sh"

# Settings in memory only; ibus's own configuration and Mozc's dictionary
# below the temporary home of this run.
export GSETTINGS_BACKEND=memory
export QT_IM_MODULE=ibus XMODIFIERS=@im=ibus GTK_IM_MODULE=ibus

# Mozc switched on as the input method starts (its default waits for the
# Zenkaku/Hankaku key, which the test's keyboard lacks).
mkdir -p "$XDG_CONFIG_HOME/mozc"
cat >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto" <<'EOF'
engines {
  name : "mozc-jp"
  longname : "Mozc"
  layout : "default"
  layout_variant : ""
  layout_option : ""
  rank : 80
}
active_on_launch: True
EOF

ibus-daemon --panel=disable --emoji-extension=disable --replace >"$tmp/ibus.log" 2>&1 &
# The first start scans the installed engines: allow it time.
for _ in $(seq 1 300); do
  ibus address 2>/dev/null | grep -q unix && break
  sleep 0.1
done
# Setting the engine may report a failure that did not happen: ask back.
for _ in $(seq 1 100); do
  ibus engine mozc-jp >>"$tmp/ibus.log" 2>&1 || true
  [ "$(ibus engine 2>/dev/null)" = mozc-jp ] && break
  sleep 0.2
done
[ "$(ibus engine 2>/dev/null)" = mozc-jp ] ||
  fail "ibus does not take the Mozc engine: $(cat "$tmp/ibus.log")"

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
# Mozc starts in hiragana: romaji become にほんご, Space converts, Return commits.
sleep 1
xdotool type --delay 120 "nihongo"
sleep 0.5
xdotool key --delay 300 space Return
sleep 0.5
xdotool key ctrl+q
wait_exit

[ "$(value 1)" = "日本語" ] || fail "page 1 holds '$(value 1)' instead of 日本語 (ibus log: $(cat "$tmp/ibus.log"))"
echo "e2e ibus: 1 passed, 0 failed"
