# The windows on the 6000 x 4000 picture (sourced by bench/peers): the real widgets on the
# offscreen platform, through orvalis-bench-window and the document benchmark of the live preview.
# These rows have no peer: the OpenCV column holds the figure each must stay within (the JPEG
# decode time x 1.3, one 60 Hz frame, 50 ms), so the last column is ours over that figure.
window_jpeg=$IMG
if [[ $IMG != *.jpg && $IMG != *.jpeg ]]; then
  window_jpeg=$work/window-peer.jpg
  [[ -f $window_jpeg ]] || /usr/bin/python3 -c 'import sys, cv2; cv2.imwrite(sys.argv[2], cv2.imread(sys.argv[1]), [cv2.IMWRITE_JPEG_QUALITY, 90])' \
    "$IMG" "$window_jpeg"
fi
window_csv=$(ORVALIS_BENCH_PICTURE=$window_jpeg QT_QPA_PLATFORM=offscreen \
  "$root/build/default/bench/orvalis-bench-window" --benchmark_format=csv 2>/dev/null || true)
window_ms() { # benchmark name prefix: its time in ms
  awk -F, -v n="$1" 'index($1, "\"" n) == 1 { printf "%.1f", $3; exit }' <<<"$window_csv"
}
decode=$(window_ms BM_DecodeJpegAlone)
target_row() { # name ours target
  row "$1" "-" "${2:-failed}" "-" "$3"
}
target_row "window: JPEG q90 decode alone (no target)" "$decode" "-"
target_row "window: open the JPEG from the command line to its first painted frame (within 1.3 x the decode)" \
  "$(window_ms BM_OpenJpegToFirstFrame)" "$(awk -v d="$decode" 'BEGIN { if (d + 0 > 0) printf "%.1f", 1.3 * d; else print "-" }')"
for kind in 0 1 2 3; do
  label=("fit, after a zoom step" "1:1, after a zoom step" "1:1, after a scroll step" "50 %, after a zoom step")
  target_row "window: repaint at ${label[$kind]} (within one 60 Hz frame)" \
    "$(window_ms "BM_RepaintAfterStep/kind:$kind/")" "16.7"
done
target_row "window: first finished rows of a live preview, per-row effect (within 50 ms)" \
  "$(bm_ms BM_DocPreviewFirstRowsPerRowEffect/iterations:20/manual_time)" "50"
