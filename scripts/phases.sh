# Wall-time phases of the test scripts, sourced by them:
#
#   phase NAME COMMAND...   runs COMMAND (a program or a shell function, stopping at its first failing
#                           step), then prints "phase: NAME 3 min 05 s (load 1.85)"; returns its status
#
# The first script to source this owns the list: at its end, failed or not, it prints every phase
# with its time and the load average when it ended, and the total. Scripts it runs that source this
# too add their phases to the same list (PHASE_TIMES, a file named in the environment).

phase_duration() {
  printf '%d min %02d s' $(($1 / 60)) $(($1 % 60))
}

phase_summary() {
  local status=$1 name seconds outcome load
  echo "phases (wall time, load average over the last minute when the phase ended):"
  while IFS=$'\t' read -r name seconds outcome load; do
    printf '  %-14s %12s  load %s%s\n' "$name" "$(phase_duration "$seconds")" "$load" \
      "$([ "$outcome" = 0 ] || echo "  FAILED ($outcome)")"
  done <"$PHASE_TIMES"
  printf '  %-14s %12s\n' total "$(phase_duration $(($(date +%s) - PHASE_STARTED)))"
  rm -f "$PHASE_TIMES"
  return "$status"
}

phase() {
  local name=$1 started status load
  shift
  started=$(date +%s)
  # A subshell with errexit of its own: inside "cmd || ..." bash would ignore set -e in a function.
  set +e
  (
    set -e
    "$@"
  )
  status=$?
  set -e
  load=$(cut -d' ' -f1 /proc/loadavg)
  local seconds=$(($(date +%s) - started))
  printf '%s\t%s\t%s\t%s\n' "$name" "$seconds" "$status" "$load" >>"$PHASE_TIMES"
  if [ "$status" -eq 0 ]; then
    echo "phase: $name $(phase_duration "$seconds") (load $load)"
  else
    echo "phase: $name FAILED after $(phase_duration "$seconds") (load $load)"
  fi
  return "$status"
}

if [ -z "${PHASE_TIMES:-}" ]; then
  PHASE_TIMES=$(mktemp "${TMPDIR:-/tmp}/glimmerdale-phases.XXXXXX")
  PHASE_STARTED=$(date +%s)
  export PHASE_TIMES
  trap 'phase_summary $?' EXIT
fi
