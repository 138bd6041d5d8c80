# Loading and saving the picture (sourced by bench/peers): our platform codec through the codec
# benchmarks of orvalis-bench (the saves on 1 and on 8 threads, loading on one), beside
# OpenCV's imread and imwrite of the same picture. The PNG rows carry the file sizes: ours is
# written at zlib level 1 with the Up filter on every row; OpenCV is shown with its default
# settings and at an explicit level 1.
codec_ms() { # benchmark (BM_CodecLoad/jpeg ...)
  ORVALIS_BENCH_PICTURE=$IMG bm_ms "$1"
}
codec_mb() { # benchmark: the size of the file it wrote
  ORVALIS_BENCH_PICTURE=$IMG "$root/build/default/bench/orvalis-bench" --benchmark_filter="^$1\$" \
    --benchmark_format=csv 2>/dev/null | awk -F, -v n="\"$1\"" '$1 == n { printf "%.1f", $NF }'
}
cv_codec() { # what: load-jpeg save-jpeg png-default png-1 (prints ms, then MB for the saves)
  /usr/bin/python3 - "$IMG" "$work" "$1" <<'PY'
import os, sys, time, cv2
src, work, what = sys.argv[1:4]
img = cv2.imread(src, cv2.IMREAD_COLOR)
jpg = os.path.join(work, "cv-peer.jpg")
cv2.imwrite(jpg, img, [cv2.IMWRITE_JPEG_QUALITY, 90])
out, run = {
    "load-jpeg": (None, lambda: cv2.imread(jpg, cv2.IMREAD_COLOR)),
    "save-jpeg": (jpg, lambda: cv2.imwrite(jpg, img, [cv2.IMWRITE_JPEG_QUALITY, 90])),
    "png-default": (os.path.join(work, "cv-peer.png"), lambda: cv2.imwrite(os.path.join(work, "cv-peer.png"), img)),
    "png-1": (os.path.join(work, "cv-peer.png"),
              lambda: cv2.imwrite(os.path.join(work, "cv-peer.png"), img, [cv2.IMWRITE_PNG_COMPRESSION, 1])),
}[what]
times = []
for _ in range(3):
    t = time.perf_counter(); run(); times.append((time.perf_counter() - t) * 1000)
print("%.1f" % sorted(times)[1], "%.1f" % (os.path.getsize(out) / 1e6) if out else "")
PY
}
read -r cv_png cv_png_mb < <(cv_codec png-default)
read -r cv_png1 cv_png1_mb < <(cv_codec png-1)
ours_png1=$(codec_ms BM_CodecSave/png/threads:1)
ours_png=$(codec_ms BM_CodecSave/png/threads:8)
ours_png_mb=$(codec_mb BM_CodecSave/png/threads:8)
# Loading works on one thread: the same figure stands in both of our columns. The saves share out
# the copy into the codec's bitmap (and the PNG save its rows) over the run's threads.
ours_load=$(codec_ms BM_CodecLoad/jpeg)
ours_jpg1=$(codec_ms BM_CodecSave/jpeg/threads:1)
ours_jpg=$(codec_ms BM_CodecSave/jpeg/threads:8)
row "load JPEG q90" "$ours_load" "$ours_load" "-" "$(cv_codec load-jpeg | cut -d" " -f1)"
row "save JPEG q90" "$ours_jpg1" "$ours_jpg" "-" "$(cv_codec save-jpeg | cut -d" " -f1)"
row "save PNG, ours $ours_png_mb MB, OpenCV's default $cv_png_mb MB" "$ours_png1" "$ours_png" "-" "$cv_png"
row "save PNG, ours $ours_png_mb MB, OpenCV at level 1 $cv_png1_mb MB" "$ours_png1" "$ours_png" "-" "$cv_png1"
