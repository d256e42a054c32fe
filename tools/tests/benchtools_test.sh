#!/usr/bin/env bash
# The OCR benchmark's native side and the second Wine's test run:
#   - tools/benchimages draws every word of a plan, by FreeType and by Chromium, on its
#     background with the text colour's ink inside the margins;
#   - tools/ocrpeer counts words exact per reader and condition (the latency-only reader
#     apart) and prints the conditions in the benchmark's order;
#   - the test programs that read text Wine drew carry the label "ocr" that tools/runtests
#     runs again under Wine 10.
#   benchtools_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src=$1 build=$2
work=$build/testrun/benchtools
rm -rf "$work" && mkdir -p "$work"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# --- benchimages --------------------------------------------------------------------------
printf '%s\n' $'0\t0\tLiberation Sans\t11\t0\t000000\tffffff\tminimum' \
  $'1\t0\tLiberation Serif\t21\t1\tffffff\t000080\tIllinois' \
  $'2\t1\tDejaVu Sans\t32\t0\t800000\tffffe1\tjumping' >"$work/plan.tsv"
# Prints "width height corner-rgb ink-left ink-right" of a PPM: ink is any pixel that differs
# from the corner's colour by more than 48 in a channel.
measure() {
  /usr/bin/python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
head = data.split(maxsplit=4)
w, h = int(head[1]), int(head[2])
px = head[4][:w * h * 3]
corner = px[0:3]
cols = [x for x in range(w) for y in range(h)
        if max(abs(px[(y * w + x) * 3 + c] - corner[c]) for c in range(3)) > 48]
print(w, h, corner.hex(), min(cols) if cols else -1, max(cols) if cols else -1)
PY
}
for kind in freetype chromium; do
  out=$work/$kind
  if ! "$src/tools/benchimages" "$kind" "$work/plan.tsv" "$out"; then
    fail "$kind: benchimages failed"
    continue
  fi
  [ "$(cut -f1 "$out/images.tsv" | tr '\n' ' ')" = "0 1 2 " ] ||
    fail "$kind: images.tsv lists $(cut -f1 "$out/images.tsv" | tr '\n' ' ')"
  while IFS=$'\t' read -r id _ _ px _ _ bg word; do
    read -r w h corner left right <<<"$(measure "$out/$id.ppm")"
    [ "$corner" = "$bg" ] || fail "$kind $word: background $corner, not $bg"
    [ "$h" -ge "$px" ] || fail "$kind $word: $h rows for $px-pixel text"
    # The word's ink keeps the margins free and spans about its width.
    { [ "$left" -ge 3 ] && [ "$right" -le $((w - 4)) ]; } ||
      fail "$kind $word: ink from column $left to $right of $w"
    [ $((right - left)) -ge $((${#word} * px / 4)) ] ||
      fail "$kind $word: ink only $((right - left)) columns wide"
  done <"$work/plan.tsv"
done

# --- ocrpeer --------------------------------------------------------------------------------
peer=$build/../native/ocrpeer
if [ ! -x "$peer" ] || [ "$peer" -ot "$src/tools/ocrpeer/ocrpeer.cpp" ]; then
  mkdir -p "$(dirname "$peer")"
  g++ -std=c++17 -O2 -Wall -Wextra -Werror -o "$peer" "$src/tools/ocrpeer/ocrpeer.cpp" \
    $(pkg-config --cflags --libs tesseract lept) || fail "ocrpeer does not build"
fi
if [ -x "$peer" ]; then
  # Two conditions, four words each, no strip images (Tesseract reads none).
  for c in chromium wine8; do
    mkdir -p "$work/peer/$c"
    printf '%s\n' $'0\tLiberation Sans\t9\t0\tblack/white\tburn\t1\tnone.ppm' \
      $'1\tLiberation Sans\t12\t1\tblack/white\tquip\t1\tnone.ppm' \
      $'2\tLiberation Sans\t18\t0\twhite/navy\tof\t1\tnone.ppm' \
      $'3\tLiberation Sans\t24\t1\twhite/navy\tI\t1\tnone.ppm' >"$work/peer/$c/strips.tsv"
  done
  printf '%s\n' $'engine\t0\tburn\t1.0' $'engine\t1\tquip\t2.0' $'engine\t2\tof\t3.0' \
    $'engine\t3\tl\t4.0' $'engine-200x40\t0\tburn\t0.5' $'engine-200x40\t1\tburn\t0.5' \
    $'engine-200x40\t2\tburn\t0.7' $'OCR2Text-middle\t0\tbum\t2.0' \
    $'OCR2Text-middle\t1\tquip\t2.0' >"$work/peer/wine8/results.tsv"
  printf '%s\n' $'engine\t0\tbum\t1.0' $'engine\t1\tquip\t1.0' $'engine\t2\tof\t1.0' \
    $'engine\t3\tI\t1.0' >"$work/peer/chromium/results.tsv"
  "$peer" "$work/peer" >"$work/peer.txt" 2>&1 || fail "ocrpeer exited with $?"
  got=$(grep '^words exact: ' "$work/peer.txt")
  want=$'words exact: engine wine8 75.0%\nwords exact: engine chromium 75.0%\nwords exact: OCR2Text-middle wine8 50.0%'
  [ "$got" = "$want" ] || fail "ocrpeer summary:"$'\n'"$got"$'\n'"wanted:"$'\n'"$want"
  grep -q '^speed (medians over every condition): engine 0.50 ms per 200x40 strip, OCR2Text 2.00 ms' \
    "$work/peer.txt" || fail "ocrpeer speed line: $(grep '^speed' "$work/peer.txt")"
  [ "$(grep -o '^[a-z0-9]*: [0-9]* strips' "$work/peer.txt" | cut -d: -f1 | tr '\n' ' ')" = \
    "wine8 chromium " ] || fail "ocrpeer condition order: $(grep ' strips' "$work/peer.txt")"
fi

# --- the second Wine's programs -----------------------------------------------------------
got=$(cd "$build" && ctest -N -L '^ocr$' | sed -n 's/^ *Test *#[0-9]*: //p' | sort | tr '\n' ' ')
want="fontlearner_test glyphread_test lexipop_test product_test textract_test "
[ "$got" = "$want" ] || fail "label ocr: $got, wanted $want"

[ $fails = 0 ] && echo "benchtools: all checks passed"
exit $((fails > 0))
