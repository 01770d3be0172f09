#!/usr/bin/env bash
# The runner's command line as a user meets it. Usage: cli_test.sh PATH_TO_KERNELS [PYTHON]
# (PYTHON: the project's interpreter, KERNELS_PYTHON, by default /usr/bin/python3).
set -u
kernels=$1
python=${2:-/usr/bin/python3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS DESCRIPTION -- ARGS...: runs kernels ARGS, checks the exit status.
expect() {
  local want=$1 what=$2
  shift 3
  "$kernels" "$@" >"$dir/out" 2>"$dir/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit $got, expected $want ($(head -c 300 "$dir/err"))"
}

# Usage errors: status 2, one line on stderr, nothing on stdout.
for args in "run nosuch" "run matrix --bogus" "run matrix --repeat 0" "run matrix --repeat x" \
  "run matrix --repeat -3" "run matrix --repeat" "run" "frobnicate" "run -- a" \
  "run matrix --no-multiply=1" "list extra" "run bisort --size 0x10" "run matrix --warmup -1" \
  "run cipher-tests -- x" "run bisort --size 8 -- x" "sweep bisort" "sweep bisort --over size=0,8" \
  "sweep bisort --over size=64..8x2" "sweep bisort --over size=8..64x1" \
  "sweep context-model --over generate=1,2" "sweep nosuch --over size=1,2" \
  "verify nosuch" "verify --bogus" \
  "verify --results /nonexistent" "verify --list --record x" "compare" "compare a.json" \
  "compare /nonexistent /nonexistent" "compare a b c" "export" "export csv" "export yaml x" \
  "score" "score /nonexistent" "compare a b --fail-slower x"; do
  expect 2 "kernels $args" -- $args
  [ -s "$dir/out" ] && fail "kernels $args printed on stdout"
  [ "$(wc -l <"$dir/err")" -eq 1 ] || fail "kernels $args: expected one line on stderr"
  grep -q '^kernels: ' "$dir/err" || fail "kernels $args: message lacks the 'kernels: ' prefix"
done
expect 2 "no arguments" --

# --count without Valgrind on PATH: one line naming what is missing, exit 1, no report.
PATH="$dir/empty-path" "$kernels" run transpose --count >"$dir/out" 2>"$dir/err"
[ $? -eq 1 ] || fail "run --count without valgrind: expected exit 1"
[ -s "$dir/out" ] && grep -q '^transpose' "$dir/out" && fail "run --count without valgrind reported"
[ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q "^kernels: .*valgrind" "$dir/err" ||
  fail "run --count without valgrind: $(cat "$dir/err")"

expect 0 "--help" -- --help
grep -q 'Usage: kernels run' "$dir/out" || fail "--help shows no usage"
expect 0 "run --help" -- run --help
grep -q -- '--warmup N' "$dir/out" || fail "run --help does not show --warmup"
# A job's help comes from its declarations: the option, its range and its default.
expect 0 "run bisort --help" -- run bisort --help
grep -q -- '--size N .*1 to 67108864 (default 1048576)' "$dir/out" || fail "bisort help: $(cat "$dir/out")"
expect 0 "--version" -- --version
grep -q '^compiler ' "$dir/out" && grep -q '^flags .*-ffp-contract=off' "$dir/out" ||
  fail "--version lacks the compiler or the flags"

expect 0 "list" -- list
grep -q '^matrix ' "$dir/out" || fail "list does not show matrix"
grep -q -- '--no-multiply' "$dir/out" || fail "list does not show matrix's options"

# The matrix job: a multiply of ones gives 300.0 everywhere; the JSON carries every run.
expect 0 "run matrix --json" -- run matrix --json --repeat 2
"$python" - "$dir/out" <<'PY' || fail "matrix --json output"
import json, sys
lines = open(sys.argv[1]).read().splitlines()
assert len(lines) == 1, lines
r = json.loads(lines[0])
assert r["kernel"] == "matrix" and r["runs"] == 2 and len(r["seconds"]["each"]) == 2
assert r["summary"]["n"] == 300 and r["summary"]["multiplied"] is True
assert r["summary"]["sum"] == 300.0 * 300 * 300 and r["summary"]["c[0][0]"] == 300.0
assert len(r["digest"]) == 16 and int(r["digest"], 16) >= 0
assert r["storage"]["records"] == 903, r["storage"]
assert r["calls"] == {"chatting": 0}
for k in ("min", "median", "mean", "stddev", "max"):
    assert r["seconds"][k] >= 0
PY
digest_multiply=$("$python" -c 'import json,sys; print(json.load(open(sys.argv[1]))["digest"])' "$dir/out")

expect 0 "run matrix --no-multiply" -- run matrix --no-multiply --json --repeat 1
grep -q '"multiplied":false' "$dir/out" || fail "--no-multiply still multiplied"
grep -q "$digest_multiply" "$dir/out" && fail "--no-multiply gives the same digest as a multiply"

expect 0 "driver args" -- run matrix --repeat 1 --json -- x y
grep -q '"args":\["x","y"\]' "$dir/out" || fail "driver args not passed: $(cat "$dir/out")"

# Without the observed run: no calls, and no digest where only the observer sees the result.
expect 0 "--no-observe" -- run matrix bisort --size 8 --no-observe --warmup 0 --repeat 1 --json
"$python" - "$dir/out" "$digest_multiply" <<'PY' || fail "--no-observe output: $(cat "$dir/out")"
import json, sys
matrix, bisort = [json.loads(l) for l in open(sys.argv[1])]
assert matrix["calls"] is None and matrix["digest"] == sys.argv[2], matrix
assert bisort["calls"] is None and bisort["digest"] is None and bisort["runs"] == 1, bisort
PY

# Every report carries the run context; the text shows it once, at the top.
grep -q '"context":{"version":"[^"]*","compiler":' "$dir/out" || fail "a report lacks its context"

# Two saved runs of one build compare as the same digests (exit 0); a changed digest is exit 1.
"$kernels" run transpose --rows 64 --cols 64 bisort --size 8 --repeat 9 --json >"$dir/a.json"
"$kernels" run transpose --rows 64 --cols 64 --repeat 9 --json >"$dir/b.json"
expect 0 "compare" -- compare "$dir/a.json" "$dir/b.json"
grep -q '^transpose .* same ' "$dir/out" && grep -q '^only in A: bisort --size 8' "$dir/out" ||
  fail "compare output: $(cat "$dir/out")"
sed 's/"digest":"[0-9a-f]*"/"digest":"0123456789abcdef"/' "$dir/b.json" >"$dir/c.json"
expect 1 "compare with a changed digest" -- compare "$dir/a.json" "$dir/c.json"

# A malformed report is a usage error naming the file and line, in every reader of saved runs.
sed '1s/"digest":"[0-9a-f]*"/"digest":"ab"/' "$dir/a.json" >"$dir/bad.json"
for args in "compare $dir/bad.json $dir/b.json" "score $dir/bad.json" "export csv $dir/bad.json"; do
  expect 2 "kernels $args" -- $args
  [ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q "bad.json:1: malformed run report: \"digest\"" "$dir/err" ||
    fail "kernels $args: $(cat "$dir/err")"
done
expect 0 "export markdown" -- export markdown "$dir/a.json" -o "$dir/table.md"
grep -q '^| transpose --rows 64 --cols 64 | ' "$dir/table.md" || fail "export: $(cat "$dir/table.md")"

# Interleaved rounds change the order of the runs, not the reports: the same digests.
expect 0 "run --interleave" -- run transpose --rows 64 --cols 64 bisort --size 8 --repeat 5 \
  --interleave --json
cp "$dir/out" "$dir/interleaved.json"
expect 0 "compare interleaved" -- compare "$dir/a.json" "$dir/interleaved.json" --json
[ "$(grep -c '"same_digest":true' "$dir/out")" -eq 2 ] || fail "interleaved: $(cat "$dir/out")"

# A planted wrong digest fails verify with exit 1 and says what it expected.
"$kernels" verify transpose --quick --list --json | head -n 1 |
  sed 's/"digest":"[0-9a-f]*"/"digest":"0123456789abcdef"/' >"$dir/planted.jsonl"
expect 1 "verify a planted digest" -- verify --results "$dir/planted.jsonl"
grep -q '^FAIL  transpose .* expected 0123456789abcdef actual ' "$dir/out" &&
  grep -q '^0 passed, 1 failed$' "$dir/out" || fail "verify output: $(cat "$dir/out")"

expect 0 "human output" -- run all --repeat 1
head -n 1 "$dir/out" | grep -q '^context   kernels .*, .* × [0-9]*, ' || fail "no context line on top"
for word in median mean '±' min '…' max run storage summary digest; do
  grep -q -- "$word" "$dir/out" || fail "human output lacks '$word'"
done

# Repeated runs reuse the run storage: 200 runs stay within a few runs' memory. A sanitizer build
# keeps shadow memory and, at exit, its leak checker reads every static table, so the bound is
# checked on the plain build only.
if "$kernels" --version | grep -q -- '-fsanitize'; then
  echo "memory bound: skipped in a sanitizer build"
else
  /usr/bin/env time -f '%M' "$kernels" run matrix --repeat 200 >/dev/null 2>"$dir/rss" ||
    fail "--repeat 200 failed"
  rss_kb=$(tail -n 1 "$dir/rss")
  [ "$rss_kb" -lt 60000 ] || fail "--repeat 200 grew to ${rss_kb} KiB"
fi

# The bound: with no machine figures cached it is left out with a note, never probed for. The
# machine command's help is true to its options; a bad option is a usage error.
XDG_CACHE_HOME="$dir/no-cache" expect 0 "run with no machine figures" -- run transpose --rows 8 --cols 8 --repeat 1
grep -q "^  bound     - (no machine figures: run 'kernels machine')" "$dir/out" &&
  grep -q '^  work      64 elements, .*; chain_steps ' "$dir/out" ||
  fail "run text lacks the work counters or the bound's note: $(cat "$dir/out")"
expect 0 "machine --help" -- machine --help
grep -q -- '--refresh' "$dir/out" && grep -q -- '--json' "$dir/out" || fail "machine --help: $(cat "$dir/out")"
expect 2 "machine --bogus" -- machine --bogus
# Figures that cannot be kept are printed all the same, but the command fails and says why.
XDG_CACHE_HOME=/dev/null/cache expect 1 "machine, cache folder not writable" -- machine --json
grep -q '"bandwidth"' "$dir/out" || fail "machine, cache not writable: no figures: $(cat "$dir/out")"
grep -q 'not kept' "$dir/err" || fail "machine, cache not writable: no reason given: $(cat "$dir/err")"

# A sweep: one report per point, the swept value in its args, then the fit.
expect 0 "sweep --json" -- sweep bisort --over size=1024..4096x2 --repeat 1 --json
"$python" - "$dir/out" <<'PY' || fail "sweep --json output: $(cat "$dir/out")"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
assert len(lines) == 4, lines
for r, size in zip(lines, (1024, 2048, 4096)):
    assert r["kernel"] == "bisort" and r["args"] == ["--size", str(size)], r
    assert r["work"]["n"] == size and r["work"]["unit"] == "values", r
    assert r["work"]["counters"]["values"] == size and len(r["digest"]) == 16, r
    assert "bound" in r, r
last = lines[3]
assert last["kernel"] == "bisort" and last["over"] == "size", last
assert last["fit"]["complexity"] in ("1", "log N", "N", "N log N", "N log^2 N", "N^2", "N^3")
assert last["fit"]["coefficient"] > 0 and last["fit"]["rms"] >= 0, last
PY
expect 0 "sweep text" -- sweep transpose --cols 8 --over rows=8,16 --repeat 1
grep -q 'elements/s' "$dir/out" && grep -q '^  fit       O(' "$dir/out" ||
  fail "sweep text lacks the throughput or the fit: $(cat "$dir/out")"
expect 0 "sweep of one point" -- sweep transpose --over rows=8 --repeat 1 --json
grep -q '"fit":null' "$dir/out" || fail "one point should have no fit: $(cat "$dir/out")"

# Output that does not reach its destination is a failure: one line, exit 1, never 0.
for args in "run matrix --json --repeat 1" "list" "--version" "--help" "run --help" \
  "verify transpose --quick" "sweep transpose --over rows=8 --repeat 1" \
  "compare $dir/a.json $dir/b.json"; do
  "$kernels" $args >/dev/full 2>"$dir/err"
  got=$?
  [ "$got" -eq 1 ] || fail "kernels $args >/dev/full: exit $got"
  [ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q '^kernels: cannot write standard output: ' "$dir/err" ||
    fail "kernels $args >/dev/full: $(cat "$dir/err")"
done

# Files are written whole. Over the file-size limit (a full disk, for the writer) the old file
# stays as it was and no temporary file is left beside it.
echo old >"$dir/image"
(
  trap '' XFSZ
  ulimit -f 1024 # 1 MiB; the image is 4 MiB
  exec "$kernels" run pyramid --warmup 0 --repeat 1 --no-observe --output "$dir/image"
) >/dev/null 2>"$dir/err"
got=$?
[ "$got" -eq 1 ] && grep -q "^kernels: cannot write $dir/image: " "$dir/err" ||
  fail "pyramid --output over the limit: exit $got, $(cat "$dir/err")"
[ "$(cat "$dir/image")" = old ] || fail "pyramid --output over the limit changed the old file"
expect 2 "verify --record into no folder" -- verify transpose --record "$dir/none/record"
# An interrupted verify --record leaves the old record, no temporary file and no scratch folder
# (its own TMPDIR must be empty again), whether stopped by SIGTERM or SIGINT.
echo old >"$dir/record"
mkdir "$dir/tmp"
for signal in TERM INT; do
  # A background job of a script starts with SIGINT ignored: env gives it the default back.
  env --default-signal=INT TMPDIR="$dir/tmp" "$kernels" verify --record "$dir/record" \
    >/dev/null 2>&1 &
  # Stopped once its scratch folder exists (its sixth case writes an input file).
  for _ in $(seq 300); do
    [ -n "$(ls -A "$dir/tmp")" ] && break
    sleep 0.1
  done
  [ -n "$(ls -A "$dir/tmp")" ] || fail "verify made no scratch folder in TMPDIR"
  kill -$signal $! 2>/dev/null
  wait $!
  [ "$(cat "$dir/record")" = old ] || fail "an interrupted verify --record changed the old record"
  ls "$dir" | grep -q '\.tmp-' && fail "a temporary file was left behind: $(ls "$dir")"
  [ -z "$(ls -A "$dir/tmp")" ] || fail "verify stopped by SIG$signal left $(ls -A "$dir/tmp")"
done
# Over the file-size limit verify cannot write a case's input: those cases fail, the command
# exits 1, and its scratch folder is removed all the same.
(ulimit -f 4 && exec env TMPDIR="$dir/tmp" "$kernels" verify arith-coder) >"$dir/out" 2>"$dir/err"
got=$?
[ "$got" -eq 1 ] && grep -q 'File too large' "$dir/out" ||
  fail "verify over the file-size limit: exit $got, $(head -c 300 "$dir/out" "$dir/err")"
[ -z "$(ls -A "$dir/tmp")" ] || fail "verify over the file-size limit left $(ls -A "$dir/tmp")"
expect 0 "verify --record" -- verify transpose --quick --record "$dir/record"
[ "$(wc -l <"$dir/record")" -ge 1 ] && grep -q '"kernel":"transpose"' "$dir/record" ||
  fail "verify --record wrote $(cat "$dir/record")"

if [ "$failures" -eq 0 ]; then echo "runner command line: all checks passed"; fi
exit $((failures > 0))
