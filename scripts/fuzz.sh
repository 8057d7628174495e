#!/bin/sh
# Builds the fuzz targets with clang and runs each for SECONDS (default 15) from a copy
# of its seed corpus in fuzz/corpus/; fails on the first finding, whose input libFuzzer
# leaves in build-fuzz/findings/. Regression inputs go to fuzz/corpus/<target>/ too.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-15}
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
cmake --preset fuzz $launcher >/dev/null
cmake --build --preset fuzz --target fuzz_targets
mkdir -p build-fuzz/findings
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  work=build-fuzz/corpus/$name
  rm -rf "$work" && mkdir -p "$work"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "== $name: ${seconds} s"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$work" 2>build-fuzz/$name.log ||
    { tail -n 60 "build-fuzz/$name.log"; exit 1; }
  grep -E 'stat::number_of_executed_units|stat::new_units_added' "build-fuzz/$name.log" | tr '\n' ' '
  echo
done
