#!/usr/bin/env bash
# Whole commands side by side with the standard tools and the bare loops, one run,
# ratios in one table. Run by hand (minutes; not part of CI): bench/compare.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

missing=()
command -v hyperfine >/dev/null || missing+=(hyperfine)
command -v srec_cat >/dev/null || missing+=(srecord)
command -v objcopy >/dev/null || missing+=(binutils)
if ((${#missing[@]})); then
  if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
    apt-get install -y "${missing[@]}" >/dev/null
  else
    echo "compare.sh needs: ${missing[*]} (apt-get install ${missing[*]})" >&2
    exit 1
  fi
fi

# Release, in its own build folder; warnings stay warnings here.
build=build-release
launcher=()
command -v ccache >/dev/null &&
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DK7Q_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target 62500cfg make_inputs window_shown >/dev/null
cc -O2 -o "$build/bare_loop" bench/compare/bare_loop.c
tool=$PWD/$build/62500cfg
bare=$PWD/$build/bare_loop
shown=$PWD/$build/bench/window_shown

# On disk, not in memory, so that flushes cost what they cost.
work=$(mktemp -d "$PWD/$build/inputs.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/bench/make_inputs" "$work"
# Freshly written files sit in the page cache in large pieces that make the bare loops'
# mapped one-byte writes flush far more than a byte; as root, the cache is emptied so
# that every command meets the files as read back from disk, as a user's files are.
sync
if [[ $(id -u) == 0 ]]; then echo 3 >/proc/sys/vm/drop_caches; fi
cd "$work"
images=(images/*.elf)
json=$work/results.json
results=()

# Runs the pair and appends "name|tool ms|reference ms|ratio" to results.
pair() {
  local name=$1 ours=$2 theirs=$3
  shift 3
  hyperfine --shell=bash --runs "$runs" --warmup 1 --export-json "$json" "$@" \
    -n ours "$ours" -n reference "$theirs" >&2
  results+=("$name|$(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
a, b = r[0]["median"] * 1000, r[1]["median"] * 1000
# A reference that takes no time once hyperfine takes off the shell start-up has no ratio.
print(f"{a:.1f}|{b:.1f}|" + (f"{a / b:.2f}" if b > 0 else "n/a"))' "$json")")
}

# A one-register change: a new value (10h to 99h) nearly every run, so that the save writes.
setreg="$tool setreg big.srec 3=\$((RANDOM % 90 + 10))"
pair "One-register save, 64 MiB S-record vs objcopy -I srec -O srec" "$setreg" \
  "objcopy -I srec -O srec big.srec out.srec"
pair "One-register save, 64 MiB S-record vs srec_cat" "$setreg" \
  "srec_cat big.srec -o out.srec"
# The same with the block read by address, in S-record and in Intel HEX.
setreg="$tool setreg address.srec 3=\$((RANDOM % 90 + 10))"
pair "One-register save, 64 MiB S-record by address vs objcopy -I srec -O srec" "$setreg" \
  "objcopy -I srec -O srec address.srec out.srec"
setreg="$tool setreg address.hex 3=\$((RANDOM % 90 + 10))"
pair "One-register save, 64 MiB Intel HEX vs objcopy -I ihex -O ihex" "$setreg" \
  "objcopy -I ihex -O ihex address.hex out.hex"
# The block lies halfway: memmem may stop there, the locator must look on for a second
# block. The second pair gives memmem the same work.
pair "Locating the block in a 256 MiB image vs mmap + memmem to the first hit" \
  "$tool check big.elf" "$bare find needle.bin big.elf"
pair "Locating the block in a 256 MiB image vs mmap + memmem over the whole image" \
  "$tool check big.elf" "$bare find-all needle.bin big.elf"
pair "CLI start-up (--version) vs /bin/true" "$tool --version" "/bin/true"
# Each run starts from images whose block differs from the built-in one, with nothing
# left for its flushes from the run before.
pair "Configure 1000 one-MiB images vs bare loop to the first hit, one flush" \
  "$tool configure --from - ${images[*]}" "$bare write needle.bin 0 ${images[*]}" \
  --prepare "$tool configure --from source.elf ${images[*]} >/dev/null; sync"
pair "Configure 1000 one-MiB images vs bare loop over the whole images, one flush" \
  "$tool configure --from - ${images[*]}" "$bare write-all needle.bin 0 ${images[*]}" \
  --prepare "$tool configure --from source.elf ${images[*]} >/dev/null; sync"
# The desktop program up to its main window's first paint, on the display, on a private
# Xvfb when there is none, else offscreen; the reference is the target, 200 ms.
if [[ -z ${DISPLAY:-} ]] && command -v Xvfb >/dev/null; then
  Xvfb :77 -screen 0 1280x1024x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb; rm -rf "$work"' EXIT
  sleep 1
  export DISPLAY=:77
fi
if [[ -n ${DISPLAY:-} ]]; then
  window="Desktop main window shown (X display) vs sleep 0.2"
else
  shown="QT_QPA_PLATFORM=offscreen $shown"
  window="Desktop main window shown (offscreen) vs sleep 0.2"
fi
pair "$window" "$shown" "sleep 0.2"

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Pair | ours (ms, median) | reference (ms, median) | ratio |"
echo "|---|---|---|---|"
for row in "${results[@]}"; do echo "| ${row//|/ | } |"; done
