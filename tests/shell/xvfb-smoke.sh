#!/usr/bin/env bash
# Starts the real program on an image under Xvfb and finds its main window by its title.
# Exit 77 (skipped) when Xvfb is not installed. A display server that fails to start or never
# answers (another server took the same display number at the same moment) is tried again; a
# program that ends early or shows no window fails at once.
set -uo pipefail
program=$1
image=$2
command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null || exit 77
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
unset QT_QPA_PLATFORM
for attempt in 1 2 3; do
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    # On a loaded machine the server may still be starting: the program waits until it answers.
    for _ in $(seq 1 100); do
      xwininfo -root >/dev/null 2>&1 && break
      sleep 0.1
    done
    xwininfo -root >/dev/null 2>&1 || exit 4
    "$1" "$2" 2> >(tee "$3/stderr" >&2) & pid=$!
    found=""
    for _ in $(seq 1 300); do
      found=$(xwininfo -root -tree 2>/dev/null | grep "\"Orvalis 5" || true)
      if [[ "$found" == *"$(basename "$2")"* ]]; then break; fi
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"; status=$?
        # A display server gone from under the program is no fault of the program: another try.
        grep -q "could not connect to display" "$3/stderr" 2>/dev/null && exit 4
        echo "the program ended early"; echo "exit status $status"; exit 3
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    echo "$found"
    [[ "$found" == *"$(basename "$2")"* ]] || exit 3
  ' _ "$program" "$image" "$config"
  status=$?
  [[ $status -eq 0 || $status -eq 3 ]] && exit $(( status == 0 ? 0 : 1 ))
  echo "the display server did not start or went away (attempt $attempt, status $status)"
done
exit 1
