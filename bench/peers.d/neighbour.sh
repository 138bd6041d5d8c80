# Neighbourhood effects beside ImageMagick and OpenCV on the 6000 x 4000 peer image (sourced by
# bench/peers). Edges are repeated outward on every side (OpenCV's BORDER_REPLICATE; ImageMagick's
# default virtual pixels do the same). Where a peer has no exactly matching operation the row says
# what it runs instead: ImageMagick's rotated Sobel, Prewitt and Kirsch kernels composed by plus
# or lighten give |Gx| + |Gy| and the strongest compass response; the peers' Laplacian contours
# stop at the Laplacian, where ours go on to mark its zero crossings; both peers' Canny operators
# threshold with hysteresis on a grey picture, where ours stretches colour gradients.
smooth3="1 2 1 2 4 2 1 2 1"
smooth5="2 4 5 4 2 4 9 12 9 4 5 12 15 12 5 4 9 12 9 4 2 4 5 4 2"
laplacien="-1 -1 -1 -1 8 -1 -1 -1 -1"
cv_rep="borderType=cv2.BORDER_REPLICATE"

peer_row "convolution 3x3 (Passe Bas)" "FCEffectConvolute 3 16 0 $smooth3" \
  "-define convolve:scale=1/16 -morphology Convolve 3x3:1,2,1,2,4,2,1,2,1" \
  "cv2.filter2D(img, -1, np.array([[1, 2, 1], [2, 4, 2], [1, 2, 1]], np.float32) / 16, $cv_rep)"
peer_row "convolution 5x5 (/159)" "FCEffectConvolute 5 159 0 $smooth5" \
  "-define convolve:scale=1/159 -morphology Convolve 5x5:${smooth5// /,}" \
  "cv2.filter2D(img, -1, np.array([${smooth5// /,}], np.float32).reshape(5, 5) / 159, $cv_rep)"
peer_row "convolution 3x3 (&Laplacien, +128)" "FCEffectConvolute 3 1 128 $laplacien" \
  "-define convolve:bias=50% -morphology Convolve 3x3:${laplacien// /,}" \
  "cv2.filter2D(img, -1, np.array([[-1, -1, -1], [-1, 8, -1], [-1, -1, -1]], np.float32), delta=128, $cv_rep)"
peer_row "sharpen (amount 8)" "FCEffectSharp 8" \
  "-define convolve:scale=1/8 -morphology Convolve 3x3:-1,-1,-1,-1,16,-1,-1,-1,-1" \
  "cv2.filter2D(img, -1, np.array([[-1, -1, -1], [-1, 16, -1], [-1, -1, -1]], np.float32) / 8, $cv_rep)"
peer_row "emboss 45 (grey)" "FCEffectEmboss 45" \
  "-colorspace gray -define convolve:bias=50% -morphology Convolve 3x3:0,-0.7071,-1,0.7071,0,-0.7071,1,0.7071,0" \
  "cv2.filter2D(cv2.cvtColor(img, cv2.COLOR_BGR2GRAY), -1, np.float32([[0, -0.7071, -1], [0.7071, 0, -0.7071], [1, 0.7071, 0]]), delta=128, $cv_rep)"
peer_row "erode 3x3 (minimum)" "FCEffectMinimum" "-morphology Erode Square:1" \
  "cv2.erode(img, np.ones((3, 3), np.uint8), $cv_rep)"
peer_row "dilate 3x3 (maximum)" "FCEffectMaximum" "-morphology Dilate Square:1" \
  "cv2.dilate(img, np.ones((3, 3), np.uint8), $cv_rep)"
peer_row "median 3x3" "FCEffectMedian" "-statistic Median 3x3" "cv2.medianBlur(img, 3)"
peer_row "Sobel, abs Gx + abs Gy" "FCEffectSimpleContour<2>" \
  "-define morphology:compose=plus -morphology Convolve Sobel:>" \
  "cv2.add(cv2.convertScaleAbs(cv2.Sobel(img, cv2.CV_16S, 1, 0, $cv_rep)), cv2.convertScaleAbs(cv2.Sobel(img, cv2.CV_16S, 0, 1, $cv_rep)))"
peer_row "Prewitt, abs Gx + abs Gy" "FCEffectSimpleContour<1>" \
  "-define morphology:compose=plus -morphology Convolve Prewitt:>" \
  "cv2.add(cv2.convertScaleAbs(cv2.filter2D(img, cv2.CV_16S, np.float32([[-1, 0, 1], [-1, 0, 1], [-1, 0, 1]]), $cv_rep)), cv2.convertScaleAbs(cv2.filter2D(img, cv2.CV_16S, np.float32([[-1, -1, -1], [0, 0, 0], [1, 1, 1]]), $cv_rep)))"
peer_row "Laplacian contours, 8 neighbours (peers: the Laplacian only)" \
  "FCEffectContoursFilter<&FCEffectContoursLaplacien8>" \
  "-define convolve:bias=50% -morphology Convolve 3x3:${laplacien// /,}" \
  "cv2.filter2D(img, -1, np.array([[-1, -1, -1], [-1, 8, -1], [-1, -1, -1]], np.float32), delta=128, $cv_rep)"
peer_row "Kirsch compass (strongest of 8)" "FCEffectGradientBase" \
  "-define morphology:compose=lighten -morphology Convolve Kirsch:>" ""
peer_row "Canny 3x3, suppression (peers: grey, hysteresis)" "FCEffectContoursCanny 0 1" \
  "-canny 0x1+10%+30%" "cv2.Canny(img, 50, 150)"
