#!/usr/bin/env bash
# tools/size: the section classes come from the flags and types, not the names (an object file
# assembled here with one section of each kind, some misleadingly named), and compile time per
# subsystem from a Ninja log that rebuilt one output.
# Usage: size_test.sh PYTHON PATH_TO_TOOLS_SIZE CXX. Without pyelftools it exits 77 (skipped), or
# 1 under CI (CI=true), which installs it.
set -u
python=$1
tool=$2
cxx=$3
if ! "$python" -c 'import elftools' 2>/dev/null; then
  echo "pyelftools missing for $python (install python3-pyelftools)"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Sizes that add up uniquely per class: text 16 + 3, rodata 8, data 4 + 2, bss 32. A section named
# like data but executable is text, one named like read-only data but writable is data, and one
# named like text but not allocated counts nowhere.
cat >"$dir/classes.s" <<'ASM'
  .section .size_code,"ax",%progbits
  .zero 16
  .section .mydata,"ax",%progbits
  .zero 3
  .section .size_constants,"a",%progbits
  .zero 8
  .section .size_vars,"aw",%progbits
  .zero 4
  .section .myrodata,"aw",%progbits
  .zero 2
  .section .size_zeros,"aw",%nobits
  .zero 32
  .section .mytext,"",%progbits
  .zero 64
ASM
"$cxx" -c -x assembler "$dir/classes.s" -o "$dir/classes.o" || fail "cannot assemble the object"
out=$("$python" "$tool" --json --files "$dir/classes.o") || fail "tools/size --files exited $?"
"$python" - "$out" <<'PY' || fail "wrong classes: $out"
import json, sys
rows = json.loads(sys.argv[1])
assert len(rows) == 1, rows
got = {k: rows[0][k] for k in ("text", "rodata", "data", "bss")}
assert got == {"text": 19, "rodata": 8, "data": 6, "bss": 32}, got
PY
echo "not ELF" >"$dir/plain.txt"
"$python" "$tool" --files "$dir/plain.txt" 2>"$dir/err" && fail "a text file was read as ELF"
grep -q '^size: .*plain.txt: not an ELF file' "$dir/err" || fail "no clear error: $(cat "$dir/err")"

# A Ninja log (times in ms): the runner's object built twice (the later entry counts), one kernel
# object, a link step outside any subsystem.
printf '# ninja log v5\n0\t1000\t0\trunner/CMakeFiles/x.dir/a.cpp.o\t1\n' >"$dir/.ninja_log"
printf '0\t2500\t0\tkernels/bisort/CMakeFiles/b.dir/bisort.cpp.o\t2\n' >>"$dir/.ninja_log"
printf '5000\t5500\t0\trunner/CMakeFiles/x.dir/a.cpp.o\t3\n100\t350\t0\trunner/kernels\t4\n' \
  >>"$dir/.ninja_log"
out=$("$python" "$tool" --json --compile-time "$dir") || fail "--compile-time exited $?"
"$python" - "$out" <<'PY' || fail "wrong compile times: $out"
import json, sys
t = json.loads(sys.argv[1])
assert t["subsystems"] == {"bisort": 2.5, "runner": 0.75}, t
assert t["total"] == 3.25, t
PY

[ $failures = 0 ] && echo "tools/size: classes by flags, compile time per subsystem"
[ $failures = 0 ]
