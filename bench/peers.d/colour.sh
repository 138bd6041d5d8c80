# Colour and tone beside ImageMagick and OpenCV on the 6000 x 4000 peer image (sourced by
# bench/peers). Where a peer's operation differs from ours it is said on the row: ImageMagick
# works in 16-bit quantum, OpenCV's grey conversion writes one channel (expanded back to three
# here, as ours writes three), and per-channel operations of OpenCV are split, mapped and merged.
lut() { # numpy expression of the 256 entries, as uint8
  printf 'np.clip(%s, 0, 255).astype(np.uint8)' "$1"
}
i='np.arange(256.0)'

peer_row "negate" "FCEffectInvert" "-negate" "cv2.bitwise_not(img)"
peer_row "brightness 20, contrast -30" "FCEffectBrightnessContrast 20 -30" "-brightness-contrast 20x-30" \
  "cv2.LUT(img, $(lut "np.trunc(0.7 * ($i - 128) + 148.5)"))"
peer_row "gamma 1.6" "FCEffectGammaValue 1.6" "-gamma 1.6" \
  "cv2.LUT(img, $(lut "np.floor(($i / 255) ** (1 / 1.6) * 255 + 0.5)"))"
peer_row "posterize 4 levels" "FCEffectPosterize 4" "-posterize 4" \
  "cv2.LUT(img, $(lut "np.trunc(np.trunc($i / 85 + 0.5) * 85 + 0.5)"))"
peer_row "solarize 128" "FCEffectSolarize 128" "-solarize 50%" \
  "cv2.LUT(img, $(lut "np.where($i < 128, $i, 255 - $i)"))"
peer_row "threshold 128 per channel" "FCEffectSeuil 128" "-channel RGB -threshold 50%" \
  "cv2.threshold(img, 128, 255, cv2.THRESH_BINARY)[1]"
peer_row "threshold 128 on luminance" "FCEffectThreshold 128" "-colorspace Gray -threshold 50%" \
  "cv2.cvtColor(cv2.threshold(cv2.cvtColor(img, cv2.COLOR_BGR2GRAY), 128, 255, cv2.THRESH_BINARY)[1], cv2.COLOR_GRAY2BGR)"
peer_row "grey (luminance)" "FCEffectGrayscale" "-colorspace Gray" \
  "cv2.cvtColor(cv2.cvtColor(img, cv2.COLOR_BGR2GRAY), cv2.COLOR_GRAY2BGR)"
peer_row "channel offsets 40 -20 10" "FCEffectAdjustRGB 40 -20 10" "" \
  "cv2.add(img, np.array([10.0, -20.0, 40.0, 0.0]))"
peer_row "ordered dither 8x8 of the luminance" "FCEffectHalftoneM3" "-colorspace Gray -ordered-dither o8x8" ""
peer_row "equalise per channel" "FCEffectEgaliserHistogrammeRGB" "-equalize" \
  "cv2.merge([cv2.equalizeHist(c) for c in cv2.split(img)])"
peer_row "equalise by luminance" "FCEffectEgaliserHistogrammeLuminosite" "" ""
peer_row "auto contrast (min/max per channel)" "FCEffectAutoContrast" "-channel RGB -contrast-stretch 0" \
  "cv2.merge([cv2.normalize(c, None, 0, 255, cv2.NORM_MINMAX) for c in cv2.split(img)])"
peer_row "auto levels (0.6 % clipped per channel)" "FCEffectAutoColorLevel" "-channel RGB -contrast-stretch 0.6%" ""
peer_row "levels 20..230 to 10..250, gamma 1.4" "FCEffectColorLevel 20 230 10 250 1.4 7" \
  "-level 7.843%,90.196%,1.4 +level 3.922%,98.039%" \
  "cv2.LUT(img, $(lut "np.floor(10 + 240 * np.clip(($i - 20) / 210, 0, 1) ** (1 / 1.4) + 0.5)"))"
peer_row "hue +30, saturation +40 (modulate)" "FCEffectHueSaturation 30 40" "-modulate 100,140,130" \
  "(lambda h: cv2.cvtColor(cv2.merge([cv2.add(h[:, :, 0], 27), h[:, :, 1], cv2.multiply(h[:, :, 2], 1.4)]), cv2.COLOR_HLS2BGR))(cv2.cvtColor(img, cv2.COLOR_BGR2HLS))"
peer_row "colour balance, midtones, lightness kept" "FCEffectColorBalance 1 1 40 -10 -30" "" \
  "(lambda h, l: cv2.cvtColor(cv2.merge([h[:, :, 0], l[:, :, 1], h[:, :, 2]]), cv2.COLOR_HLS2BGR))(cv2.cvtColor(cv2.LUT(img, np.dstack([$(lut "$i - 7"), $(lut "$i - 2"), $(lut "$i + 9")])), cv2.COLOR_BGR2HLS), cv2.cvtColor(img, cv2.COLOR_BGR2HLS))"
peer_row "colour balance, midtones" "FCEffectColorBalance 0 1 40 -10 -30" "" \
  "cv2.LUT(img, np.dstack([$(lut "$i - 7"), $(lut "$i - 2"), $(lut "$i + 9")]))"
peer_row "tone by one hue (45, 160)" "FCEffectColorToneIntParam 45 160" "-colorspace Gray -fill #ffbf00 -tint 60" ""
peer_row "noise, 20, independent colours" "FCEffectNoisify 20 1" "-attenuate 0.3 +noise Gaussian" ""
peer_row "auto colour enhance" "FCEffectAutoColorEnhance" "" ""
peer_row "histogram count" "FCEffectGetHistogram" "" \
  "[cv2.calcHist([img], [c], None, [256], [0, 256]) for c in range(3)]"
