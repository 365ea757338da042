#!/usr/bin/env bash
# Runs the fuzz targets one after another (build them first with
# scripts/build.sh fuzz), each for its share of seconds, from the committed
# seed corpora and dictionaries, in a scratch folder (scripts may write
# files). Prints one line per target: runs, executions per second, outcome.
# The seeds are the script tests and examples with their intermediate code,
# made by make_corpus.sh from the committed sources when missing, so they
# never go stale.
#   bash fuzz/run_all.sh [seconds-scale [target...]]   (1 = the shares below)
#   FUZZ_SECONDS=600 bash fuzz/run_all.sh 1 [target...]  (the same time for each)
#   FUZZ_TIMEOUT=120 ...  a longer limit per input, for a machine so busy that
#                         a niced fuzzer waits for the processor for seconds
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
bin="$root/build/fuzz/fuzz"
scale="${1:-1}"
shift || true
only=" $* "
[ -d "$here/corpus/script" ] || bash "$here/make_corpus.sh" > /dev/null
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# target seconds corpus dictionary
plan=(
  "script_run_fuzz 420 script script.dict"
  "translator_fuzz 420 script script.dict"
  "builder_fuzz 420 il il.dict"
  "xml_reader_fuzz 240 il il.dict"
  "tokenizer_fuzz 180 script script.dict"
  "regex_fuzz 180 - -"
  "expression_fuzz 180 - script.dict"
  "declaration_fuzz 120 - script.dict"
  "value_fuzz 90 - -"
  "format_fuzz 90 - -"
  "string_list_fuzz 60 - -"
  "css_selector_fuzz 120 - css.dict"
  "html_select_fuzz 180 - html.dict"
  "json_path_fuzz 120 - jsonpath.dict"
  "json_document_fuzz 90 - jsonpath.dict"
  "csv_split_fuzz 60 - -"
  "robots_fuzz 120 - robots.dict"
)
# Returning freed memory to the system stalls for many seconds at a time on
# some virtual machines, which libFuzzer would report as a timeout.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_release_to_os_interval_ms=-1}"
for row in "${plan[@]}"; do
  read -r target secs corpus dict <<< "$row"
  [ "$only" = "  " ] || [[ "$only" == *" $target "* ]] || continue
  secs=${FUZZ_SECONDS:-$(echo "$secs * $scale / 1" | bc)}
  work="$scratch/$target"
  mkdir -p "$work/corpus"
  [ "$corpus" != "-" ] && cp "$here/corpus/$corpus"/* "$work/corpus/"
  # Entropic scheduling spends half of each run updating feature counts in
  # these builds; plain scheduling runs twice as many inputs.
  args=(-max_total_time="$secs" -entropic=0 -rss_limit_mb=2560 -timeout=${FUZZ_TIMEOUT:-20} -print_final_stats=1 -artifact_prefix="$work/")
  [ "$dict" != "-" ] && args+=(-dict="$here/dict/$dict")
  (cd "$work" && "$bin/$target" "${args[@]}" corpus > log 2>&1)
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$')
  crashes=$(ls "$work" | grep -c -E '^(crash|leak|timeout|oom|slow-unit)-' || true)
  printf "%-18s %6ss %10s runs %8s exec/s  exit %s  artifacts %s\n" "$target" "$secs" "${runs:-?}" \
    "$(( ${runs:-0} / (secs > 0 ? secs : 1) ))" "$rc" "$crashes"
  if [ "$rc" -ne 0 ]; then
    mkdir -p "$root/build/fuzz/findings/$target"
    cp "$work"/log "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* \
      "$root/build/fuzz/findings/$target/" 2>/dev/null || true
  fi
done
