#Channel extraction, Y / U / V and Fourier filters beside ImageMagick and OpenCV on the 6000 x 4000
#peer image(sourced by bench / peers), then the bare transform beside OpenCV and numpy.
peer_row
    "red channel kept"
    "FCEffectGetRChannel"
    "-channel GB -evaluate set 0 +channel"
    "cv2.merge([np.zeros(img.shape[:2], np.uint8), np.zeros(img.shape[:2], np.uint8), img[:, :, 2]])" peer_row
    "luminance (Rec. 601)"
    "FCEffectYUVLuminance"
    "-grayscale Rec601Luma"
    "cv2.cvtColor(img, cv2.COLOR_BGR2GRAY)" peer_row "Y/U/V split"
    "FCEffectYUVChrominanceBleueLuminance"
    "-colorspace YUV -channel G -separate"
    "cv2.split(cv2.cvtColor(img, cv2.COLOR_BGR2YUV))"
#The circular low - pass of radius 1000 on the three Y / U / V planes; OpenCV's spectrum is not centred,
#so its disc is built around the corners(once, kept between runs).
    peer_row "Fourier circular low-pass Y+U+V"
    "FCEffectFourierYuvCirculaire 1000"
    ""
    "[cv2.idft(cv2.dft(np.float32(c), flags=cv2.DFT_COMPLEX_OUTPUT) * globals().setdefault('disc', "
    "((np.fft.fftfreq(4000) * 4000)[:, None] ** 2 + (np.fft.fftfreq(6000) * 6000)[None, :] ** 2 <= 1000 ** "
    "2).astype(np.float32)[:, :, None]), flags=cv2.DFT_SCALE | cv2.DFT_REAL_OUTPUT) for c in "
    "cv2.split(cv2.cvtColor(img, cv2.COLOR_BGR2YUV))]" peer_row "Fourier circular low-pass Y"
    "FCEffectFourierCirculaire 1000 1"
    ""
    "cv2.idft(cv2.dft(np.float32(cv2.cvtColor(img, cv2.COLOR_BGR2YUV)[:, :, 0]), "
    "flags=cv2.DFT_COMPLEX_OUTPUT) * globals().setdefault('disc', ((np.fft.fftfreq(4000) * 4000)[:, None] ** "
    "2 + (np.fft.fftfreq(6000) * 6000)[None, :] ** 2 <= 1000 ** 2).astype(np.float32)[:, :, None]), "
    "flags=cv2.DFT_SCALE | cv2.DFT_REAL_OUTPUT)" peer_row "Fourier module display"
    "FCEffectFourierModule 1"
    "-colorspace gray -fft -delete 1 -auto-level -evaluate log 1000"
    "cv2.normalize(np.log1p(cv2.magnitude(*cv2.split(np.fft.fftshift(cv2.dft(np.float32(cv2.cvtColor(img, "
    "cv2.COLOR_BGR2GRAY)), flags=cv2.DFT_COMPLEX_OUTPUT), axes=(0, 1))))), None, 0, 255, cv2.NORM_MINMAX)"

#Forward plus inverse complex transform of one 4096 x 4096 single - precision plane.
    fft_ours(){#threads "$root/build/default/bench/orvalis-bench" --benchmark_filter =
                   "BM_FourierForwardInverse/4096/4096/$1/" --benchmark_format = csv 2 > / dev / null |
                                                                                 awk - F,
               '/BM_Fourier/ { printf "%.1f", $3 }'} fft_py()
{
#cv2 | numpy / usr / bin / python3 - "$1" << 'PY' import sys, time, cv2,
        numpy as np rng = np.random.default_rng(1)
                              plane = rng.random((4096, 4096), dtype = np.float32)* 255 cplx =
            plane.astype(np.complex64) cv2.setNumThreads(8) def run() : if sys
                .argv[1] == "cv2" : spec =
                          cv2.dft(plane, flags = cv2.DFT_COMPLEX_OUTPUT) return cv2
                              .idft(spec, flags = cv2.DFT_SCALE | cv2.DFT_COMPLEX_OUTPUT) return np.fft.ifft2(
                                  np.fft.fft2(cplx)) times = [] for _ in range(3) : t = time.perf_counter();
    run();
    times.append((time.perf_counter() - t) * 1000) print("%.1f" % sorted(times)[1]) PY
}
printf '| forward + inverse 4096 x 4096 (OpenCV cv2.dft) | %s | %s | - | %s |\n' "$(fft_ours 1)"
                                                                                 "$(fft_ours 8)"
                                                                                 "$(fft_py "
                                                                                 "cv2"
                                                                                 ")" printf '| forward + inverse 4096 x 4096 (numpy fft2, in the OpenCV column) | %s | %s | - | %s |\n' "$(fft_ours 1)"
                                                                                                                                                                                        "$(fft_ours 8)"
                                                                                                                                                                                        "$(fft_py numpy)"
