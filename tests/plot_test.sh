#!/usr/bin/env bash
# tools/plot turns a small saved sweep into a valid PNG, and a page that embeds it with its alt
# text; verify results sit beside run reports; its output is written whole or not at all.
# Usage: plot_test.sh PYTHON PATH_TO_TOOLS_PLOT. Without matplotlib it exits 77 (skipped), or 1
# under CI (CI=true), which installs it.
set -u
python=$1
tool=$2
. "$(dirname "$0")/needs_matplotlib.sh"
plot() { "$python" "$tool" "$@"; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Three points of a sweep (N from "work") and its fit, then a comparison of two runs.
cat >"$dir/run.jsonl" <<'JSON'
{"kernel":"bisort","args":["--size","1024"],"runs":2,"seconds":{"min":1.0e-4,"median":1.1e-4,"mean":1.1e-4,"stddev":1e-5,"max":1.2e-4,"each":[1.0e-4,1.2e-4]},"digest":"0123456789abcdef","work":{"n":1024,"unit":"values"}}
{"kernel":"bisort","args":["--size","4096"],"runs":2,"seconds":{"min":5.0e-4,"median":5.5e-4,"mean":5.5e-4,"stddev":5e-5,"max":6.0e-4,"each":[5.0e-4,6.0e-4]},"digest":"1123456789abcdef","work":{"n":4096,"unit":"values"}}
{"kernel":"bisort","args":["--size","16384"],"runs":2,"seconds":{"min":2.6e-3,"median":2.7e-3,"mean":2.7e-3,"stddev":1e-4,"max":2.8e-3,"each":[2.6e-3,2.8e-3]},"digest":"2123456789abcdef","work":{"n":16384,"unit":"values"}}
{"kernel":"bisort","over":"size","fit":{"complexity":"N log^2 N","coefficient":1.1e-9,"rms":0.04}}
JSON
cat >"$dir/compare.jsonl" <<'JSON'
{"kernel":"matrix","args":["multiply"],"same_digest":true,"a_median":0.01,"b_median":0.008,"ratio":0.8,"low":0.75,"high":0.86,"verdict":"faster"}
{"only_in":"B","kernel":"bisort","args":["--size","8"]}
JSON

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

plot -o "$dir/sweep.png" "$dir/run.jsonl" || fail "plot of a sweep exited $?"
# A PNG starts with its 8-byte signature and an IHDR chunk giving a width and height above 0.
"$python" - "$dir/sweep.png" <<'PY' || fail "sweep.png is not a valid PNG"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", data[:8]
length, kind = struct.unpack(">I4s", data[8:16])
assert kind == b"IHDR" and length == 13
width, height = struct.unpack(">II", data[16:24])
assert width > 100 and height > 100, (width, height)
assert struct.unpack(">I", data[29:33])[0] == zlib.crc32(data[12:29])
assert data[-8:-4] == b"IEND"
PY

plot -o "$dir/compare.png" "$dir/compare.jsonl" || fail "plot of a comparison exited $?"
head -c 8 "$dir/compare.png" | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a' ||
  fail "compare.png lacks the PNG signature"

plot -o "$dir/page.html" "$dir/run.jsonl" "$dir/compare.jsonl" || fail "page exited $?"
grep -q 'src="data:image/png;base64,' "$dir/page.html" || fail "the page embeds no image"
grep -q 'alt="[^"]*fitted complexity O(N log^2 N)' "$dir/page.html" ||
  fail "the sweep's alt text does not state its complexity"
grep -Eq '(src|href)="(https?:)?//' "$dir/page.html" && fail "the page refers to an outside resource"

# Verify results as `kernels verify --json` prints them, whose "seconds" is a number, beside a run
# report of the same job: a table of cases, not a run or a sweep point.
cat >"$dir/verify.jsonl" <<'JSON'
{"kernel":"bisort","args":["--size","8"],"expected":"d06d0089ed510985","actual":"d06d0089ed510985","pass":true,"seconds":0.0012}
{"kernel":"matrix","args":[],"runs":1,"seconds":{"min":0.004,"median":0.004,"mean":0.004,"stddev":0,"max":0.004,"each":[0.004]},"digest":"ede01b73265c0d25"}
{"passed":1,"failed":0}
JSON
plot -o "$dir/verify.html" "$dir/run.jsonl" "$dir/verify.jsonl" 2>"$dir/err" ||
  fail "page of runs and verify results exited $?: $(cat "$dir/err")"
grep -q '1 passed, 0 failed' "$dir/verify.html" || fail "the page lacks the verify counts"
grep -q '<td>bisort</td><td><code>--size 8</code>' "$dir/verify.html" || fail "no verify case row"
[ "$(grep -c '<code>ede01b73265c0d25</code>' "$dir/verify.html")" -eq 1 ] ||
  fail "the matrix run is not one single-run row"

# Files of one build run at two times: the context once, and only the date per file.
for t in 01 02; do
  sed 's/}$/,"context":{"compiler":"gcc 12.2.0","host":"vm","date":"2026-12-10T00:00:'$t'Z"}}/' \
    "$dir/verify.jsonl" | grep '"runs"' >"$dir/context$t.jsonl"
done
plot -o "$dir/context.html" "$dir/context01.jsonl" "$dir/context02.jsonl" 2>"$dir/err" ||
  fail "page of two contexts exited $?: $(cat "$dir/err")"
[ "$(grep -c '<td>compiler</td>' "$dir/context.html")" -eq 1 ] || fail "the context is not shown once"
grep -q '<summary>date: per file' "$dir/context.html" || fail "the dates per file are not listed"
grep -q '<td>2026-12-10T00:00:02Z</td>' "$dir/context.html" || fail "the second file's date is lost"

# A failed write is one line and exit 1, and leaves the old file or none, never a part of one.
echo old >"$dir/verify.html"
(ulimit -f 4 && plot -o "$dir/verify.html" "$dir/run.jsonl" "$dir/verify.jsonl") 2>"$dir/err"
[ $? -eq 1 ] && [ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q '^plot: cannot write' "$dir/err" ||
  fail "a write over the file size limit: $(cat "$dir/err")"
[ "$(cat "$dir/verify.html")" = old ] || fail "a failed write replaced the old page"
plot -o "$dir/none/page.html" "$dir/run.jsonl" 2>"$dir/err"
[ $? -eq 1 ] && [ "$(wc -l <"$dir/err")" -eq 1 ] || fail "a missing folder: $(cat "$dir/err")"
ln -s /dev/full "$dir/full.png"
plot -o "$dir/full.png" "$dir/run.jsonl" 2>"$dir/err"
[ $? -eq 1 ] && grep -q 'No space left' "$dir/err" || fail "a full device: $(cat "$dir/err")"
leftovers=$(find "$dir" -name '*.tmp')
[ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"

# A counted sweep (`kernels sweep --count`): a table of counts per point, per unit of work and per
# 1000 instructions, and the instruction fit beside the time's; a page without counts has neither.
cat >"$dir/counted.jsonl" <<'JSON'
{"kernel":"arith-coder","args":["--length","1000"],"runs":1,"seconds":{"min":1e-4,"median":1e-4,"mean":1e-4,"stddev":0,"max":1e-4,"each":[1e-4]},"digest":"0123456789abcdef","work":{"n":1000,"unit":"symbols"},"memory":{"peak_rss":4194304,"reset":true},"counts":{"instructions":50000,"l1d_misses":100,"ll_misses":5,"mispredicts":200,"indirect_mispredicts":50}}
{"kernel":"arith-coder","args":["--length","4000"],"runs":1,"seconds":{"min":4e-4,"median":4e-4,"mean":4e-4,"stddev":0,"max":4e-4,"each":[4e-4]},"digest":"1123456789abcdef","work":{"n":4000,"unit":"symbols"},"memory":{"peak_rss":null,"reset":false,"note":"x"},"counts":{"instructions":200000,"l1d_misses":400,"ll_misses":20,"mispredicts":800,"indirect_mispredicts":0}}
{"kernel":"arith-coder","over":"length","fit":{"complexity":"N","coefficient":1e-7,"rms":0.02},"instructions_fit":{"complexity":"N","coefficient":50,"rms":0.0001}}
JSON
plot -o "$dir/counted.html" "$dir/counted.jsonl" 2>"$dir/err" || fail "counted page exited $?"
grep -q '<h2>Counts</h2>' "$dir/counted.html" || fail "no table of counts"
grep -q '<td class="num">50,000</td><td class="num">50 /symbol</td><td class="num">2.00</td><td class="num">0.10</td><td class="num">5.00</td><td class="num">4.0 MiB</td>' \
  "$dir/counted.html" || fail "the first point's counts row is wrong"
grep -q 'Counted instructions fitted: O(N), RMS error 0.010 %' "$dir/counted.html" ||
  fail "no instruction fit for the sweep"
grep -q '<h2>Counts</h2>\|instruction fit' "$dir/page.html" && fail "a page without counts shows counts"

echo "not json" >"$dir/bad.jsonl"
plot -o "$dir/bad.png" "$dir/bad.jsonl" 2>/dev/null
[ $? -eq 1 ] || fail "a line that is not JSON should exit 1"

[ "$failures" -eq 0 ] && echo "plot: all checks passed"
exit $((failures > 0))
