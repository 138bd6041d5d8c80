#!/usr/bin/env bash
# Starts the real program on an image under Xvfb and finds its main window by its title.
# Exit 77 (skipped) when Xvfb is not installed.
set -uo pipefail
program=$1
image=$2
command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null || exit 77
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" "$2" & pid=$!
  found=""
  for _ in $(seq 1 300); do
    found=$(xwininfo -root -tree 2>/dev/null | grep "\"Orvalis 5" || true)
    if [[ "$found" == *"$(basename "$2")"* ]]; then break; fi
    if ! kill -0 "$pid" 2>/dev/null; then echo "the program ended early"; exit 1; fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  echo "$found"
  [[ "$found" == *"$(basename "$2")"* ]]
' _ "$program" "$image"
