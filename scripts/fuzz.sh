#!/usr/bin/env bash
# Builds the libFuzzer harnesses of the file readers in build-fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), makes their seed corpora from a fresh demo installation and runs each.
#   scripts/fuzz.sh [RUNS [LIBFUZZER-OPTION...]]
# RUNS is the number of inputs each harness runs (2000 when not given; -1 runs until an option such
# as -max_total_time=SECONDS stops it). Fails when a harness crashes, leaks, hangs or cannot run;
# the input that did it is kept in build-fuzz/fuzz-artifacts/.
source "$(dirname "$0")/common.sh"
runs="${1:-2000}"
[ $# -gt 0 ] && shift
if ! [[ "$runs" =~ ^-?[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh [RUNS [LIBFUZZER-OPTION...]]" >&2
  exit 2
fi
FUZZ_PACKAGES=(clang libclang-rt-dev)
zome2_install_missing "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

build="$ROOT/build-fuzz"
cmake -S "$ROOT" -B "$build" -DZOME2_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zome2_fuzzers -j 2

corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
logs="$build/fuzz-logs"
"$ROOT/fuzz/make-seeds.sh" "$build/tools/zome2-demo" "$corpus" >/dev/null
mkdir -p "$artifacts" "$logs"

export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for name in item_reader path_and_common criteria roster sound_list score_loader; do
  log="$logs/$name.log"
  start=$(date +%s.%N)
  status=0
  # The corpus folder takes the inputs that reach new code; a run starts from the seeds again.
  "$build/fuzz/fuzz_$name" -runs="$runs" -timeout=10 -artifact_prefix="$artifacts/$name-" "$@" \
    "$corpus/$name" >"$log" 2>&1 || status=$?
  seconds=$(echo "$(date +%s.%N) - $start" | bc)
  done_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1 || true)
  executed=$(echo "$done_line" | awk '{print $2}')
  if [ $status -eq 0 ] && [ -n "$executed" ]; then
    printf 'fuzz_%-16s %8s runs in %5.1f s (%s/s): ok\n' "$name" "$executed" "$seconds" \
      "$(echo "$executed / $seconds" | bc)"
  else
    printf 'fuzz_%-16s FAILED (exit %s) after %.1f s; log %s\n' "$name" "$status" "$seconds" "$log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written|.*runtime error)' "$log" | head -n 8 >&2 || true
    grep -E '^ +#[0-9]+ ' "$log" | head -n 20 >&2 || true
    failed+=("fuzz_$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  list=$(printf '%s, ' "${failed[@]}")
  echo "scripts/fuzz.sh: failed: ${list%, } (inputs in $artifacts; rerun one with: $build/fuzz/fuzz_NAME INPUT)" >&2
  exit 1
fi
