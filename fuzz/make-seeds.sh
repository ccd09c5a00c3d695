#!/usr/bin/env bash
# Writes the seed corpus of every harness from a fresh demo installation:
#   fuzz/make-seeds.sh ZOME2_DEMO OUT
# gives OUT/<harness>/ for each fuzz_<harness>. OUT is replaced. Nothing here is kept in git.
set -euo pipefail
export LC_ALL=C
if [ $# -ne 2 ]; then
  echo "usage: $0 ZOME2_DEMO OUT" >&2
  exit 2
fi
demo_bin="$1"
out="$2"
rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# A fixed day, so that the same build always starts from the same seeds. The demo build is
# instrumented too; what it leaves allocated at exit is not what is being looked for here.
demo="$out/.demo"
ASAN_OPTIONS=detect_leaks=0 "$demo_bin" "$demo" --today 2026-01-15 >/dev/null
path_file="$demo/パスデータ.txt"
root="$demo/data"
common="$root/共通データ.txt"
roster="$root/新名簿.txt"
sounds="$root/音フォルダ/新音ファイル.txt"
criteria="$root/zome2/タイム回数データ.txt"
scores="$root/zome2/成績累積データ.dat"

harnesses=(item_reader path_and_common criteria roster sound_list score_loader)
for h in "${harnesses[@]}"; do
  mkdir -p "$out/$h"
  # Edge cases every reader meets: nothing, a lone end-of-file mark, one row of empty items.
  : >"$out/$h/empty"
  printf '\x1a' >"$out/$h/eof-mark"
  printf ',,,,,,,,,,,,\r\n' >"$out/$h/twelve-commas"
done

cp "$path_file" "$out/item_reader/path"
cp "$common" "$out/item_reader/common"
cp "$criteria" "$out/item_reader/criteria"
cp "$roster" "$out/item_reader/roster"
cp "$sounds" "$out/item_reader/sounds"
printf '"a,b" ,c\t,\r\n"open\n\n1.5e3,-.25,+7x' >"$out/item_reader/quotes-and-numbers"

# The harness reads "@ROOT@" as its own data root and "@COMMON@" as the start of the common file.
root_pattern=$(printf '%s' "$root" | sed 's/[][\\.*^$|]/\\&/g')
sed "s|$root_pattern|@ROOT@|" "$path_file" >"$out/path_and_common/path-only"
{ cat "$out/path_and_common/path-only"; printf '@COMMON@'; cat "$common"; } >"$out/path_and_common/path-and-common"
{ sed 's|@ROOT@/|@ROOT@\\|' "$out/path_and_common/path-only"; printf '@COMMON@'; cat "$common"; } \
  >"$out/path_and_common/backslash-root"
{ cat "$out/path_and_common/path-only"; printf '@COMMON@13,"00000",1\r\n'; } >"$out/path_and_common/bad-month"

cp "$criteria" "$out/criteria/criteria"
head -n 5 "$criteria" >"$out/criteria/short"

cp "$roster" "$out/roster/roster"
head -n 3 "$roster" >"$out/roster/three-lines"

cp "$sounds" "$out/sound_list/sounds"

head -c $((50 * 44)) "$scores" >"$out/score_loader/fifty-records"
head -c 44 "$scores" >"$out/score_loader/one-record"
head -c $((3 * 44 + 7)) "$scores" >"$out/score_loader/partial-last-record"

rm -rf "$demo"
for h in "${harnesses[@]}"; do
  echo "$h: $(ls "$out/$h" | wc -l) seeds"
done
