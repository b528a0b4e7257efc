#!/usr/bin/env bash
# Runs a test program that starts the screensaver apart from every other copy on the machine, so that
# its single-instance checks and process counts see only its own copies.
#
# As root (as in CI): in a PID namespace of its own with its own /proc. The first process there is a
# shell that reaps the orphans the test leaves (daemons that fork away), and when it ends the kernel
# ends everything the test started. Otherwise: one lock that every such test program takes in turn.
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then
    exec unshare --pid --fork --mount-proc --kill-child \
        bash -c 'trap "kill -TERM \$child 2>/dev/null" TERM INT
                 "$@" &
                 child=$!
                 status=0
                 wait "$child" || status=$?
                 # A signal trapped during the first wait ends it early: wait for the real end.
                 while kill -0 "$child" 2>/dev/null; do wait "$child" || status=$?; done
                 exit "$status"' isolated "$@"
fi
exec flock /tmp/glimmerdale-screensaver-tests.lock "$@"
