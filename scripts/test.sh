#!/usr/bin/env bash
# Builds the release and the sanitizer configuration and runs the whole test
# suite in both, then the threading tests under ThreadSanitizer. Exits
# non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:suppressions=$PWD/tests/tsan.supp}

status=0
for config in release asan; do
  echo "== $config =="
  bash scripts/build.sh "$config"
  ctest --test-dir "build/$config" --output-on-failure -j "$(nproc)" || status=1
done

# The tests that run several threads at once, under ThreadSanitizer.
echo "== tsan (threading tests) =="
thread_targets=(engine_bridge_thread_test engine_value_test engine_syslib_test engine_xml_test
                engine_runtime_test engine_builder_test engine_classes_test library_core_test
                library_files_test library_select_test web_hostile_test host_thread_test
                host_script_threads_test web_shared_hosts_test web_robots_test host_politeness_script_test
                host_queue_test)
bash scripts/build.sh tsan "${thread_targets[@]}"
ctest --test-dir build/tsan --output-on-failure -j "$(nproc)" \
  -R 'Thread|Concurrent|Shared|Random|Parallel|Hostile.*Stop' || status=1

exit $status
