#!/usr/bin/env bash
# tools/report --quick end to end with the built runner: every step's data saved, and a page
# that shows the sweeps and the verify results the runner really prints. A run that cannot
# write leaves the old page and no temporary file. Usage: report_test.sh PYTHON REPORT RUNNER.
# Without matplotlib it exits 77 (skipped), or 1 under CI (CI=true), which installs it.
set -u
python=$1
report=$2
runner=$3
. "$(dirname "$0")/needs_matplotlib.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The machine's ceilings are probed into a cache folder of the test's own.
export XDG_CACHE_HOME=$dir/cache
"$python" "$report" --quick --runner "$runner" --out "$dir/r" 2>"$dir/err" ||
  fail "report --quick exited $?: $(tail -5 "$dir/err")"
page=$dir/r/index.html
[ "$(grep -c '<h3 id="sweep' "$page")" -eq 6 ] || fail "the page does not show the 6 sweeps"
grep -Eq '<p class="pass">[1-9][0-9]* passed, 0 failed' "$page" || fail "no verify counts"
# The run context once, though every data file carries one; and the first plot near the top,
# under at most a screen of tables (about 25 rows; those folded in <details> do not count).
[ "$(grep -c '<td>compiler</td>' "$page")" -eq 1 ] || fail "the context is shown more than once"
rows=$(sed '/<details>/,/<\/details>/d' "$page" |
  awk '/<img/ { exit } { n += gsub(/<tr>/, "") } END { print n + 0 }')
[ "$rows" -le 25 ] || fail "$rows table rows above the first plot"
grep -q "<h2>This machine's ceilings</h2>" "$page" && grep -q '<h2>How close to the bound</h2>' "$page" &&
  grep -q 'alt="each job&#x27;s efficiency' "$page" || fail "no ceilings or efficiency chart"
for f in bisort transpose pyramid context-model groebner arith-coder matrix verify machine run-all; do
  [ -s "$dir/r/data/$f.jsonl" ] || fail "no data of step $f"
done

# A run that can write no file larger than 4 KiB: the steps whose output is larger, and the
# page, fail; each failure is reported and the page is the old one.
echo old >"$page"
(ulimit -f 4 && "$python" "$report" --quick --runner "$runner" --out "$dir/r") >/dev/null 2>&1
[ $? -eq 1 ] || fail "a run that cannot write should exit 1"
[ "$(cat "$page")" = old ] || fail "a failed run replaced the old page"
leftovers=$(find "$dir/r" -name '*.tmp')
[ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"

[ "$failures" -eq 0 ] && echo "report: all checks passed"
exit $((failures > 0))
