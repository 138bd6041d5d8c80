# Blurs and artistic effects beside ImageMagick and OpenCV on the 6000 x 4000 peer image (sourced
# by bench/peers). The Gaussian blur and unsharp mask rows take their two figures from the
# benchmarks, the run held to 1 and to 8 threads (same size, 24 bits, a
# picture of their own: the blur's cost does not depend on the pixels). Soft glow and pencil sketch
# show the runner's figures, helper threads in both. A radius r blur has sigma r / 2 and keeps the
# taps of weight above 1/510 (31 for radius 10, 101 for radius 32). Our motion blur stops at the
# image edge where OpenCV's one-sided line kernel replicates it; noise reduction has no equal,
# CLAHE is shown for its cost only.

gauss_row() { # name benchmark "im ops" "cv expr"
  row "$1" "$(bm_ms "$2/bpp:24/threads:1")" "$(bm_ms "$2/bpp:24/threads:8")" "$(im_ms "$3")" "$(cv_ms "$4")"
}

gauss_row "Gaussian blur radius 10 (sigma 5)" BM_GaussBlurRadius10 "-gaussian-blur 0x5" \
  "cv2.GaussianBlur(img, (31, 31), 5)"
gauss_row "Gaussian blur radius 32 (sigma 16)" BM_GaussBlurRadius32 "-gaussian-blur 0x16" \
  "cv2.GaussianBlur(img, (101, 101), 16)"
gauss_row "unsharp mask radius 5, 70 %" BM_UnsharpMaskRadius5 "-unsharp 0x2.5+0.7+0" \
  "cv2.addWeighted(img, 1.7, cv2.GaussianBlur(img, (17, 17), 2.5), -0.7, 0)"
peer_row "soft glow radius 10 (screen over the blur)" "FCEffectSoftGlow 10 0 0" \
  "( +clone -gaussian-blur 0x5 ) -compose Screen -composite" ""
peer_row "pencil sketch (colour dodge by the blurred negative)" "FCEffectPencilSketch 5 3" \
  "-colorspace gray ( +clone -negate -gaussian-blur 0x2.5 ) -compose ColorDodge -composite" ""
peer_row "oil paint radius 3" "FCEffectOilPaint 3 30" "-paint 3" "cv2.xphoto.oilPainting(img, 7, 8)"
peer_row "mosaic 20 x 20" "FCEffectMosaic 20" "-scale 300x200! -sample 6000x4000!" \
  "cv2.resize(cv2.resize(img, (300, 200), interpolation=cv2.INTER_AREA), (6000, 4000), interpolation=cv2.INTER_NEAREST)"
peer_row "splash 20" "FCEffectSplash 20" "-spread 10" ""
peer_row "noise reduction (CLAHE: cost only)" "FCEffectReduceNoise 10 0.4" "" \
  "cv2.merge([cv2.createCLAHE(2.0, (8, 8)).apply(c) for c in cv2.split(img)])"
peer_row "motion blur 50 at 0 degrees" "FCEffectBlur_Motion 50 0" "" \
  "cv2.filter2D(img, -1, np.hstack([np.zeros((1, 49), np.float32), np.full((1, 50), 1 / 50, np.float32)]))"
peer_row "motion blur 50 at 30 degrees" "FCEffectBlur_Motion 50 30" "" \
  "cv2.filter2D(img, -1, (lambda k: k / k.sum())(cv2.line(np.zeros((99, 99), np.float32), (49, 49), (92, 74), 1.0, 1)))"
peer_row "radial blur 3 degrees" "FCEffectBlur_Radial 3 0 0" "-rotational-blur 3" ""
