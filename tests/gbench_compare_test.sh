#!/usr/bin/env bash
# Google Benchmark's own compare.py reads two `kernels export gbench` documents and prints its
# table with the U test. Usage: gbench_compare_test.sh KERNELS [PYTHON]
# Skips (exit 77) when compare.py (Debian libbenchmark-tools) or scipy is not installed, but fails
# under CI (CI set), which installs both.
set -euo pipefail
kernels=$1
python=${2:-/usr/bin/python3}
compare=$(dpkg -L libbenchmark-tools 2>/dev/null | grep '/compare\.py$' | head -n 1 || true)
if [ -z "$compare" ] || ! "$python" -c 'import scipy' 2>/dev/null; then
  echo "SKIP: needs libbenchmark-tools and python3-scipy (tools/install-deps tests)"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

for side in a b; do
  "$kernels" run bisort --size 64 matrix --repeat 9 --json >"$dir/$side.jsonl" 2>/dev/null
  "$kernels" export gbench "$dir/$side.jsonl" -o "$dir/$side.json"
done
"$python" "$compare" --no-color benchmarks "$dir/a.json" "$dir/b.json" >"$dir/out" 2>&1 ||
  fail "compare.py failed: $(cat "$dir/out")"
cat "$dir/out"
for name in "bisort --size 64" "matrix multiply"; do
  grep -q "^$name  *[-+]" "$dir/out" || fail "no iteration rows of '$name'"
  for aggregate in mean median stddev; do
    grep -q "^${name}_$aggregate  *[-+]" "$dir/out" || fail "no ${name}_$aggregate row"
  done
  # The U test's row: the two p-values, then the repetitions of each side.
  grep -Eq "^${name}_pvalue +[01]\.[0-9]{4} +[01]\.[0-9]{4} +U Test, Repetitions: 9 vs 9" \
    "$dir/out" || fail "no U test row of '$name'"
done
echo "compare.py read both exports and printed its U test"
