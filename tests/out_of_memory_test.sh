#!/usr/bin/env bash
# Running out of memory is one line and status 1. Usage: out_of_memory_test.sh PATH_TO_KERNELS
# Under a limit on the address space (ulimit -v 300000: 300,000 KiB), a transpose and a bisort too
# large for it end with "kernels: JOB: out of memory: N bytes asked for, the address space is
# limited to 307200000 bytes", status 1, no core, and nothing left in the working folder or
# TMPDIR. Exits 77 (skipped) where a limit on the address space cannot be set or stops the
# program from starting at all (AddressSanitizer reserves terabytes of it).
set -u
kernels=$(realpath "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir "$dir/work" "$dir/tmp"
cd "$dir/work" || exit 1
# limited ARGS...: runs kernels ARGS under the limit, cores allowed, in the empty working folder.
limited() {
  (ulimit -v 300000 && ulimit -c unlimited 2>/dev/null; TMPDIR="$dir/tmp" exec "$kernels" "$@") \
    >"$dir/out" 2>"$dir/err"
}
limited list || { echo "skipped: kernels does not start under ulimit -v 300000"; exit 77; }

for job in "transpose --rows 8192 --cols 8192" "bisort --size 67108864"; do
  name=${job%% *}
  limited run $job --warmup 0 --repeat 1
  got=$?
  [ "$got" -eq 1 ] || fail "$job: exit $got, expected 1 ($(head -c 300 "$dir/err"))"
  [ "$(wc -l <"$dir/err")" -eq 1 ] || fail "$job: expected one line on stderr: $(cat "$dir/err")"
  want="^kernels: $name: out of memory: [0-9]+ bytes asked for, "
  want+="the address space is limited to 307200000 bytes$"
  grep -Eq "$want" "$dir/err" || fail "$job: $(cat "$dir/err")"
  left=$(find "$dir/work" "$dir/tmp" -mindepth 1)
  [ -z "$left" ] || fail "$job left $left"
done

if [ "$failures" -eq 0 ]; then echo "out of memory: all checks passed"; fi
exit $((failures > 0))
