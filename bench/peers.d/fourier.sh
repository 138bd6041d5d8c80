# Channel extraction, Y/U/V and Fourier filters beside ImageMagick and OpenCV on the 6000 x 4000
# peer image (sourced by bench/peers), then the bare transform beside OpenCV and numpy.
peer_row "red channel kept" "FCEffectGetRChannel" "-channel GB -evaluate set 0 +channel" \
  "cv2.merge([np.zeros(img.shape[:2], np.uint8), np.zeros(img.shape[:2], np.uint8), img[:, :, 2]])"
peer_row "luminance (Rec. 601)" "FCEffectYUVLuminance" "-grayscale Rec601Luma" \
  "cv2.cvtColor(img, cv2.COLOR_BGR2GRAY)"
peer_row "chrominance U as grey" "FCEffectYUVChrominanceBleueLuminance" "-colorspace YUV -channel G -separate" \
  "cv2.split(cv2.cvtColor(img, cv2.COLOR_BGR2YUV))[1]"

# The circular low-pass of radius 1000. OpenCV's spectrum is not centred: its disc is built around
# the corners, once, and kept between runs. ImageMagick has no such filter command.
disc="globals().setdefault('disc', ((np.fft.fftfreq(4000) * 4000)[:, None] ** 2 + (np.fft.fftfreq(6000) * 6000)[None, :] ** 2 <= 1000 ** 2).astype(np.float32)[:, :, None])"
lowpass="cv2.idft(cv2.dft(np.float32(c), flags=cv2.DFT_COMPLEX_OUTPUT) * $disc, flags=cv2.DFT_SCALE | cv2.DFT_REAL_OUTPUT)"
peer_row "Fourier circular low-pass, Y+U+V" "FCEffectFourierYuvCirculaire 1000" "" \
  "[$lowpass for c in cv2.split(cv2.cvtColor(img, cv2.COLOR_BGR2YUV))]"
peer_row "Fourier circular low-pass, Y only" "FCEffectFourierCirculaire 1000 1" "" \
  "[$lowpass for c in cv2.split(cv2.cvtColor(img, cv2.COLOR_BGR2YUV))[:1]]"
peer_row "Fourier module display" "FCEffectFourierModule 1" "-colorspace gray -fft -delete 1 -evaluate log 1000 -auto-level" \
  "cv2.normalize(np.log1p(cv2.magnitude(*cv2.split(np.fft.fftshift(cv2.dft(np.float32(cv2.cvtColor(img, cv2.COLOR_BGR2GRAY)), flags=cv2.DFT_COMPLEX_OUTPUT), axes=(0, 1))))), None, 0, 255, cv2.NORM_MINMAX)"

# Forward plus inverse complex transform of one 4096 x 4096 single-precision plane: ours on 1 and 8
# FFTW threads, OpenCV's cv2.dft and numpy's fft2 in the last column.
fft_ours() { # threads
  "$root/build/default/bench/orvalis-bench" --benchmark_filter="BM_FourierForwardInverse/4096/4096/$1/" \
    --benchmark_format=csv 2>/dev/null | awk -F, '/BM_Fourier/ { printf "%.1f", $3 }'
}
fft_py() { # cv2 | numpy
  /usr/bin/python3 - "$1" <<'PY'
import sys, time, cv2, numpy as np
plane = (np.random.default_rng(1).random((4096, 4096), dtype=np.float32) * 255).astype(np.float32)
cplx = plane.astype(np.complex64)
def run():
    if sys.argv[1] == "cv2":
        return cv2.idft(cv2.dft(plane, flags=cv2.DFT_COMPLEX_OUTPUT), flags=cv2.DFT_SCALE | cv2.DFT_COMPLEX_OUTPUT)
    return np.fft.ifft2(np.fft.fft2(cplx))
times = []
for _ in range(3):
    t = time.perf_counter(); run(); times.append((time.perf_counter() - t) * 1000)
print("%.1f" % sorted(times)[1])
PY
}
ours1=$(fft_ours 1)
ours8=$(fft_ours 8)
row "transform 4096 x 4096, forward + inverse (OpenCV cv2.dft)" "$ours1" "$ours8" "-" "$(fft_py cv2)"
row "transform 4096 x 4096, forward + inverse (numpy fft2 in the OpenCV column)" "$ours1" "$ours8" "-" "$(fft_py numpy)"
