#!/usr/bin/env bash
# The program's first seconds on a desktop: Xvfb with a window manager (openbox), driven with
# xdotool. Checks that a toolbar button shows its tooltip right after start (the main window is
# active), that Ctrl+O straight away opens the open dialog centred on the main window, and that
# at twice the density (QT_SCALE_FACTOR=2) the main window fits the screen. Exit 77 (skipped)
# when Xvfb, openbox or xdotool is missing.
set -uo pipefail
program=$1
for tool in xvfb-run openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
unset QT_QPA_PLATFORM

for attempt in 1 2 3; do
  xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
    program=$1
    for _ in $(seq 1 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
    xprop -root >/dev/null 2>&1 || exit 4
    # The window manager must stand before the program starts, as on a desktop: one started after
    # it gives no window the focus. On a loaded machine it may take long; no manager, another try.
    openbox >/dev/null 2>&1 & wm=$!
    for _ in $(seq 1 300); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
      sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" || { kill "$wm"; exit 4; }

    # The main window: the one visible window titled exactly "Orvalis 5".
    find_frame() {
      for _ in $(seq 1 300); do
        frame=$(xdotool search --onlyvisible --name "^Orvalis 5$" 2>/dev/null | head -1)
        [[ -n "$frame" ]] && return 0
        kill -0 "$pid" 2>/dev/null || { echo "the program ended early"; return 1; }
        sleep 0.1
      done
      echo "no main window"; return 1
    }
    stop() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
    # X, Y, WIDTH and HEIGHT of a window on the screen (its inside, without the frame).
    geometry() {
      eval "$(xwininfo -id "$1" 2>/dev/null | awk -F: "
        /Absolute upper-left X/ { print \"X=\" \$2+0 }
        /Absolute upper-left Y/ { print \"Y=\" \$2+0 }
        /^ *Width/ { print \"WIDTH=\" \$2+0 }
        /^ *Height/ { print \"HEIGHT=\" \$2+0 }")"
    }
    status=0

    # The mouse rests away from where the window will open, as it does for someone who has just
    # started the program from elsewhere.
    xdotool mousemove 1590 1190
    "$program" & pid=$!
    find_frame || exit 3
    geometry "$frame"
    fx=$X fy=$Y fw=$WIDTH fh=$HEIGHT
    # A tooltip: a small visible window of the program near the mouse, over the "Ouvrir" button.
    tip=""
    sleep 1
    for try in 1 2 3 4 5; do
      xdotool mousemove 1590 1190; sleep 0.3
      xdotool mousemove $((fx + 56)) $((fy + 35)); sleep 1.5
      for w in $(xdotool search --onlyvisible --classname orvalis 2>/dev/null); do
        [[ "$w" == "$frame" ]] && continue
        geometry "$w"
        if (( HEIGHT < 60 && WIDTH < 300 && X >= fx && X < fx + 300 && Y >= fy && Y < fy + 150 )); then
          tip=$w; break
        fi
      done
      [[ -n "$tip" ]] && break
    done
    if [[ -n "$tip" ]]; then echo "tooltip shown over the toolbar"; else echo "FAIL: no tooltip"; status=1; fi

    # Ctrl+O: the open dialog, centred on the main window.
    xdotool mousemove $((fx + 300)) $((fy + 300))
    xdotool key ctrl+o
    dialog=""
    for _ in $(seq 1 100); do
      dialog=$(xdotool search --onlyvisible --name "^Ouvrir$" 2>/dev/null | head -1)
      [[ -n "$dialog" ]] && break
      sleep 0.1
    done
    if [[ -z "$dialog" ]]; then echo "FAIL: no open dialog"; status=1
    else
      sleep 0.5
      geometry "$dialog"
      dx=$(( X + WIDTH / 2 - (fx + fw / 2) )); dy=$(( Y + HEIGHT / 2 - (fy + fh / 2) ))
      if (( dx * dx + dy * dy <= 60 * 60 )); then echo "open dialog centred on the main window"
      else echo "FAIL: open dialog centred at ($((X + WIDTH / 2)), $((Y + HEIGHT / 2))), main window at ($((fx + fw / 2)), $((fy + fh / 2)))"; status=1; fi
      xdotool key Escape
    fi
    stop

    # Twice the density: the whole main window on the 1600 x 1200 screen.
    QT_SCALE_FACTOR=2 "$program" & pid=$!
    find_frame || exit 3
    sleep 0.5
    geometry "$frame"
    if (( X >= 0 && Y >= 0 && X + WIDTH <= 1600 && Y + HEIGHT <= 1200 )); then echo "fits the screen at twice the density: ${WIDTH}x${HEIGHT}"
    else echo "FAIL: ${WIDTH}x${HEIGHT} at ($X, $Y) on 1600 x 1200"; status=1; fi
    stop
    kill "$wm" 2>/dev/null
    exit $status
  ' _ "$program"
  status=$?
  [[ $status -eq 0 || $status -eq 1 || $status -eq 3 ]] && exit $(( status == 0 ? 0 : 1 ))
  echo "the display server or its window manager did not start (attempt $attempt, status $status)"
done
exit 1
