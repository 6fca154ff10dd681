#!/usr/bin/env bash
# Find chosen from the Search menu with real keys, then F3 at once: the next
# match is selected (the caret and selection are read back from the store).
set -euo pipefail
bin=$(realpath "$1")

. "$(dirname "$0")/lib.sh"

"$bin" &
pid=$!
w=$(wait_window 'Sorabun - 1')
focus "$w"
xdotool type --delay 30 "abcabc"
keys_to "$w" alt+s
sleep 0.3
xdotool key s
d=$(wait_window '検索')
focus "$d"
xdotool type --delay 30 "abc"
xdotool key Return
sleep 0.5
keys_to "$w" F3
sleep 0.3
keys_to "$w" ctrl+q
wait_exit
[ "$(value 1)" = "abcabc" ] || fail "page 1 holds '$(value 1)'"
[ "$(value SelStart) $(value SelLen)" = "3 3" ] ||
  fail "after Find and F3 the selection is $(value SelStart) $(value SelLen), not the second abc"
echo "e2e find: 1 passed, 0 failed"
