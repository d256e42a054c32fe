#!/usr/bin/env bash
# Builds the transport codec's libFuzzer targets natively (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) into OUT and runs each for RUNS inputs from a small seed corpus.
#   run_fuzzers.sh SRC_DIR OUT_DIR RUNS
set -euo pipefail
src=$1
out=$2
runs=${3:-200000}
mkdir -p "$out"
flags=(-std=c++17 -O1 -g -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"$src/codec")
for target in fuzz_decode fuzz_roundtrip; do
  bin=$out/$target
  if [ ! -x "$bin" ] || [ "$src/codec/transportcodec.cpp" -nt "$bin" ] ||
     [ "$src/codec/transportcodec.h" -nt "$bin" ] || [ "$src/tests/$target.cpp" -nt "$bin" ]; then
    clang++ "${flags[@]}" "$src/tests/$target.cpp" "$src/codec/transportcodec.cpp" -o "$bin"
  fi
done

# Seed corpus: request lines, a reply, the worked example and its encoding.
seeds=$out/seeds
mkdir -p "$seeds"
printf 'aab' >"$seeds/aab"
printf 'wkWKe' >"$seeds/wkWKe"
printf 'LXK;2.0;15;3;104;|someone@example.org|en|' >"$seeds/request"
printf '104.00|ok|' >"$seeds/reply"
printf '\xff\xff\xff' >"$seeds/ff"
printf 'aaaab' >"$seeds/aaaab"

for target in fuzz_decode fuzz_roundtrip; do
  work=$out/corpus_$target
  rm -rf "$work"
  mkdir -p "$work"
  # Decoding is cheap per byte; the round trip encodes and decodes, so its inputs stay shorter.
  maxlen=4096
  [ "$target" = fuzz_roundtrip ] && maxlen=1024
  echo "== $target: $runs runs"
  "$out/$target" -runs="$runs" -max_len="$maxlen" -seed=1 -print_final_stats=1 \
    -artifact_prefix="$out/crash_$target-" "$work" "$seeds" 2>&1 | tail -n 12
done
