# Sourced by the tests of tools/plot and tools/report with $python set: skips the test (exit 77)
# when that interpreter lacks matplotlib, except under CI, which installs it (the report group of
# tools/install-deps), so that there a missing package fails instead of hiding the test.
if ! "$python" -c 'import matplotlib' 2>/dev/null; then
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $python lacks matplotlib, which CI installs (tools/install-deps report)"
    exit 1
  fi
  echo "matplotlib missing for $python: skipped"
  exit 77
fi
