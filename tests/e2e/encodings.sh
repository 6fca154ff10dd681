#!/usr/bin/env bash
# Text files as a Linux desktop has them, end to end: the real program under
# Xvfb with openbox, keys sent with xdotool, the store read with sqlite3.
#
#   1. with 自動で開く (AutoOP) on, a memo written in UTF-8 and one in UTF-16
#      with a mark, named on the command line, fill pages 1 and 2 with their
#      text (screenshots of the window and of the question below go to $2
#      when given);
#   2. ファイルに出力 of a page holding an emoji asks which way to write;
#      Enter takes the first answer, UTF-8, and the file holds the page in
#      UTF-8 with its CR LF; Esc cancels and writes nothing.
#
# usage: encodings.sh <path of the sorabun binary> [folder for screenshots]
set -euo pipefail

bin=$(realpath "${1:?usage: encodings.sh <sorabun binary> [shots]}")
shots=${2:-}

. "$(dirname "$0")/lib.sh"
work="$tmp/work"
mkdir -p "$work"

# A first start creates the store, where the option is then set.
first_start
set_value AutoOP 1

# 1. A UTF-8 memo as any Linux tool writes it, and a UTF-16 one with a mark.
printf '今日の買い物\nりんご、牛乳、パン 😀\n' > "$work/memo.txt"
printf '\xff\xfe\xe1\x30\xe2\x30' > "$work/utf16.txt" # "メモ"
"$bin" "$work/memo.txt" "$work/utf16.txt" &
pid=$!
w=$(wait_window "Sorabun - 1")
sleep 0.5
if [ -n "$shots" ]; then import -window root "$shots/encodings.png" || true; fi

# Ctrl+S, the file name typed into the Save dialog, and the question about
# the characters Shift-JIS cannot hold answered with the key $2.
output() {
  keys_to "$w" ctrl+s
  d=$(wait_window "ファイルに出力")
  focus "$d"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key --clearmodifiers Return
  local q=
  for _ in $(seq 1 50); do
    q=$(xdotool search --onlyvisible --name "^ファイルに出力\$" 2>/dev/null | head -n 1 || true)
    [ -n "$q" ] && [ "$q" != "$d" ] && break
    sleep 0.1
  done
  [ -n "$q" ] && [ "$q" != "$d" ] || fail "no question about the characters Shift-JIS cannot hold"
  sleep 0.3
  if [ -n "$shots" ]; then import -window root "$shots/encodings-question.png" || true; fi
  keys_to "$q" "$2"
  sleep 0.5
}

# 2. ファイルに出力: Enter takes the default answer, UTF-8; Esc cancels and
#    writes nothing.
out="$work/out.txt"
output "$out" Return
for _ in $(seq 1 50); do [ -s "$out" ] && break; sleep 0.1; done
output "$work/cancelled.txt" Escape
keys_to "$w" ctrl+q
wait_exit

page_is 1 "'今日の買い物' || char(10) || 'りんご、牛乳、パン 😀' || char(10)" ||
  fail "page 1 holds '$(value 1)'"
page_is 2 "'メモ'" || fail "page 2 holds '$(value 2)'"
printf '今日の買い物\nりんご、牛乳、パン 😀\n\r\n' > "$work/expected.txt"
cmp -s "$out" "$work/expected.txt" || fail "the file written holds $(od -An -tx1 "$out" | head -c 200)"
[ ! -e "$work/cancelled.txt" ] || fail "Esc in the question still wrote the file"
echo "e2e encodings: 1 passed, 0 failed"
