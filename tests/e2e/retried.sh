# Sourced by the end-to-end suites. A scenario that needed a second run is
# reported on a line of its own, and added to the file named by
# TAINOTEKA_RETRIED_LOG, which the test command repeats at its end.

# report_retried SUITE SCENARIO REASON
report_retried() {
  local line="RETRIED: $1 $2: $3"
  echo "$line"
  [ -n "${TAINOTEKA_RETRIED_LOG:-}" ] && echo "$line" >>"$TAINOTEKA_RETRIED_LOG"
  return 0
}

# The last failure a log names, or what it ended with.
fail_reason() { # LOG
  local reason
  reason=$(grep -o 'FAIL.*' "$1" 2>/dev/null | tail -n1)
  [ -n "$reason" ] || reason="ended with: $(tail -n1 "$1" 2>/dev/null)"
  printf '%s' "$reason"
}
