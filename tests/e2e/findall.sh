#!/usr/bin/env bash
# Find in every page with real keys: three pages hold text, Ctrl+Shift+F asks
# for it, the results window lists the matches; Down twice and Enter choose
# the second match (on page 2), which is then shown and selected. The page
# on show, its caret and selection are read back from the store.
# usage: findall.sh <path of the sorabun binary> [folder for screenshots]
set -euo pipefail
bin=$(realpath "${1:?usage: findall.sh <sorabun binary> [shots]}")
shots=${2:-}

. "$(dirname "$0")/lib.sh"

# Page n holds the text of the SQL expression.
set_page() {
  sqlite3 "$db" "INSERT INTO settings (app, section, key, value) VALUES ('Orvanti', 'Note', '$1', $2)
                 ON CONFLICT (app, section, key) DO UPDATE SET value = excluded.value;"
}
crlf="char(13, 10)"

first_start
set_page 1 "'今日の予定' || $crlf || '請求書を送る'"
set_page 2 "'メモ' || $crlf || '来月の請求書' || $crlf || '請求書の控え'"
set_page 3 "'お知らせ' || $crlf || '請求書は月末に'"

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
keys_to "$w" ctrl+shift+f
box=$(wait_window '全ページから検索')
focus "$box"
xdotool type --delay 250 "請求書"
xdotool key Return
# The results window has the input box's title: wait for the box to go.
for _ in $(seq 1 50); do
  xdotool getwindowname "$box" >/dev/null 2>&1 || break
  xwininfo -id "$box" 2>/dev/null | grep -q 'IsViewable' || break
  sleep 0.1
done
results=$(wait_window '全ページから検索')
[ "$results" != "$box" ] || fail "the input box did not close"
sleep 0.5
if [ -n "$shots" ]; then import -window root "$shots/findall.png" || true; fi
keys_to "$results" Down Down Return
sleep 0.5
xdotool search --onlyvisible --name '^Sorabun - 2$' >/dev/null || fail "page 2 is not on show"
if [ -n "$shots" ]; then import -window root "$shots/findall-chosen.png" || true; fi
keys_to "$w" ctrl+q
wait_exit
[ "$(value Page)" = 2 ] || fail "the page on show is $(value Page), not 2"
# Page 2: メモ CR LF 来月の 請求書: the match starts at 2 + 2 + 3 = 7.
[ "$(value SelStart) $(value SelLen)" = "7 3" ] ||
  fail "the selection is $(value SelStart) $(value SelLen), not the match on page 2"
echo "e2e findall: 1 passed, 0 failed"
