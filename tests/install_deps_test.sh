#!/usr/bin/env bash
# The package list of docs/building.md is the one tools/install-deps installs.
# Usage: install_deps_test.sh SOURCE_DIR
set -u
cd "$1" || exit 1
readme=$(awk '/`tools\/install-deps --list` prints/ { on = 1; next }
  on && /^```/ { if (++fence == 2) exit; next }
  on && fence == 1' docs/building.md)
script=$(tools/install-deps --list) || { echo "FAIL: tools/install-deps --list failed"; exit 1; }
if [ "$readme" != "$script" ]; then
  echo "FAIL: docs/building.md's package list differs from tools/install-deps --list:"
  diff <(echo "$readme") <(echo "$script")
  exit 1
fi
echo "docs/building.md's package list matches tools/install-deps --list"
