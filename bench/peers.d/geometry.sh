# Geometry beside ImageMagick and OpenCV on the 6000 x 4000 peer image (sourced by bench/peers).
# The free rotation keeps the whole turned picture: 7197 x 6465 for 30 degrees. ImageMagick's
# distortions run with point filtering and bilinear interpolation, as ours do.
peer_row "flip (rows)" "FCEffectFlip" "-flip" "cv2.flip(img, 0)"
peer_row "mirror (columns)" "FCEffectMirror" "-flop" "cv2.flip(img, 1)"
peer_row "rotate 90" "FCEffectRotate90" "-rotate 90" "cv2.rotate(img, cv2.ROTATE_90_CLOCKWISE)"
peer_row "rotate 180" "FCEffectRotate180" "-rotate 180" "cv2.rotate(img, cv2.ROTATE_180)"
peer_row "halve (2 x 2 mean)" "FCEffectReduce" "-scale 50%" \
  "cv2.resize(img, (3000, 2000), interpolation=cv2.INTER_AREA)"
peer_row "double (linear)" "FCEffectDilate" "-filter Triangle -resize 200%" \
  "cv2.resize(img, (12000, 8000), interpolation=cv2.INTER_LINEAR)"
peer_row "rotate 30 (bilinear)" "FCEffectRotate 0.5235987755982988 0" \
  "-filter point -background black -virtual-pixel background -interpolate bilinear +distort SRT 30" \
  "cv2.warpAffine(img, cv2.getRotationMatrix2D((3000, 2000), -30, 1) + np.array([[0, 0, 598.5], [0, 0, 1232.5]]), (7197, 6465), flags=cv2.INTER_LINEAR)"
peer_row "shear by 1000 (rhombus)" "FCEffectLosange 1000 0" \
  "-filter point -background black -virtual-pixel background -interpolate bilinear +distort AffineProjection 1,0,0.25,1,0,0" \
  "cv2.warpAffine(img, np.float32([[1, 0.25, 0], [0, 1, 0]]), (7000, 4000), flags=cv2.INTER_LINEAR)"
peer_row "resize 50% Catmull-Rom" "FCEffectResize 3000 2000" "-filter Catrom -resize 3000x2000!" \
  "cv2.resize(img, (3000, 2000), interpolation=cv2.INTER_CUBIC)"
peer_row "resize 150% Catmull-Rom" "FCEffectResize 9000 6000" "-filter Catrom -resize 9000x6000!" \
  "cv2.resize(img, (9000, 6000), interpolation=cv2.INTER_CUBIC)"
peer_row "FreeImage resize 50% Lanczos3" "FCEffectResizeFreeImage 3000 2000 5" "-filter Lanczos -resize 3000x2000!" \
  "cv2.resize(img, (3000, 2000), interpolation=cv2.INTER_LANCZOS4)"
peer_row "FreeImage rotate 30" "FCEffectRotateFreeImage 30" "-background black -rotate 30" ""
