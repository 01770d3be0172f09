#!/usr/bin/env bash
# tools/cross with stand-in architectures: one that passes, one whose runner crashes, one unknown,
# one without its compiler and one that fails to build. Each gets its row, the others still run,
# and the table's columns line up. Usage: cross_test.sh SOURCE_DIR
set -u
cross=$1/tools/cross
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$dir/toolchains" "$dir/bin"
# The runner of each stand-in is DIR/<arch>.runner; "building" copies it into place, and an
# architecture without one fails to build. The emulator, env, marks what it runs.
for arch in good crash nobuild; do
  printf 'set(CMAKE_CXX_COMPILER g++)\nset(CMAKE_CROSSCOMPILING_EMULATOR env EMULATED=1)\n' \
    >"$dir/toolchains/$arch.cmake"
done
printf 'set(CMAKE_CXX_COMPILER no-such-g++)\n' >"$dir/toolchains/broken.cmake"
cat >"$dir/good.runner" <<'EOF'
#!/bin/sh
[ "${EMULATED:-}" = 1 ] || { echo "not run through the emulator"; exit 3; }
echo "PASS  a"; echo "PASS  b"; echo "2 passed, 0 failed"
EOF
printf '#!/bin/sh\nkill -SEGV $$\n' >"$dir/crash.runner"
cat >"$dir/bin/cmake" <<EOF
#!/bin/sh
[ "\$1" = --build ] || exit 0
mkdir -p "\$2/runner" && cp "$dir/\$(basename "\$2").runner" "\$2/runner/kernels" || exit 1
# The size programs: one ELF program copied for each, so that every kernel's size is 0.
mkdir -p "\$2/size" "\$2/kernels/shell" && cp /bin/true "\$2/kernels/shell/kernel-image"
for k in arith_coder bisort cipher_tests context_model groebner matrix pyramid; do
  cp /bin/true "\$2/size/size-\$k"
done
EOF
printf '#!/bin/sh\necho "100%% tests passed, 0 tests failed out of 3"\n' >"$dir/bin/ctest"
chmod +x "$dir"/*.runner "$dir"/bin/*

run() {
  KERNELS_NO_INSTALL=1 CMAKE=$dir/bin/cmake CTEST=$dir/bin/ctest \
    KERNELS_CROSS_TOOLCHAINS=$dir/toolchains KERNELS_CROSS_BUILD=$dir/build \
    "$cross" "$@" >"$dir/out" 2>"$dir/err"
}

run nosuch crash good broken nobuild
status=$?
[ $status -eq 1 ] || fail "exit status $status with failed architectures, expected 1"
table=$(sed -n '/^arch /,/^$/p' "$dir/out" | sed '/^$/d')
header=$(head -n 1 <<<"$table")
[ "$(awk '{ print $1 }' <<<"$table" | tr '\n' ' ')" = "arch nosuch crash good broken nobuild " ] ||
  fail "rows missing or out of order: $table"
row() { grep "^$1 " <<<"$table"; }
# Every cell starts where its header does.
for column in bits "byte order" compiler build text verify tests time; do
  at=$(awk -v h="$header" -v c="$column" 'BEGIN { print index(h, c) }')
  for arch in good crash; do
    r=$(row $arch)
    [ "${r:at-2:1}" = " " ] && [ "${r:at-1:1}" != " " ] ||
      fail "$arch: column '$column' does not line up: '$header' / '$r'"
  done
done
grep -Eq '^good +(32|64) +(little|big) +gcc [0-9.]+ +ok +0 +2 passed, 0 failed +3 passed, 0 failed +[0-9]+ s$' \
  <<<"$(row good)" || fail "good row: $(row good)"
grep -q 'ok  *0  *crashed (SIGSEGV)' <<<"$(row crash)" || fail "crash row: $(row crash)"
grep -q ' unknown ' <<<"$(row nosuch)" || fail "nosuch row: $(row nosuch)"
grep -q ' missing tools ' <<<"$(row broken)" || fail "broken row: $(row broken)"
grep -q ' failed ' <<<"$(row nobuild)" || fail "nobuild row: $(row nobuild)"
# Text bytes per kernel, for the rows that built.
grep -Eq '^text bytes +crash +good$' "$dir/out" || fail "no size table: $(cat "$dir/out")"
grep -Eq '^cipher_tests +0 +0$' "$dir/out" || fail "no cipher_tests size: $(cat "$dir/out")"
[ "$(tail -n 1 "$dir/out")" = "cross: 1 passed, 4 failed" ] || fail "last line: $(tail -n 1 "$dir/out")"
grep -q "^cross: nosuch: unknown architecture" "$dir/err" || fail "no line names the unknown one"
grep -q "^cross: broken: missing compiler 'no-such-g++'" "$dir/err" || fail "no line names the compiler"
grep -q "^cross: crash: .*crashed (SIGSEGV)" "$dir/err" || fail "no line names the crash"

run --quick good
status=$?
[ $status -eq 0 ] || fail "--quick good: exit $status, expected 0: $(cat "$dir/err")"
grep -q ' 2 passed, 0 failed  *not run (quick) ' "$dir/out" || fail "--quick row: $(cat "$dir/out")"

run --jobs x good
[ $? -eq 2 ] || fail "--jobs x is not a usage error"

[ $failures -eq 0 ] || exit 1
echo "tools/cross: table and independent architectures as expected"
