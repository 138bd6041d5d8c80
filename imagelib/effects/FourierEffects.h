// Frequency-domain effects: the image is split into its Y, U and V planes, a plane is turned into
// its centred spectrum, a window zeroes or weights frequencies, and the inverse transform gives
// the plane back. The luminance form filters Y alone (colours keep their U and V); each filter has
// a Yuv twin that filters all three planes. Two displays show the logarithmic module and the phase
// of the spectrum of Y as a grey image.
//
// The transform object is borrowed (the document owns it) and never deleted here. Window sizes
// and radii are clamped against the image when the spectrum is filtered and stored back.
#pragma once

#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/YUVEffects.h"

#include <cstddef>
#include <memory>

class FCEffectFourierBase : public FCEffectYUVBase
{
public:
    FCEffectFourierBase(FFTW3Helper* transform, bool luminanceOnly)
        : m_transform(transform), m_luminanceOnly(luminanceOnly)
    {
    }

    // Images under 2 pixels in either direction have no even-sized part to filter: refused,
    // rather than emptied by the crop.
    bool AcceptsImage(const FCObjImage& image) override;
    // Odd sizes are cropped to the even size below (right column, bottom row dropped).
    void PrepareImage(FCObjImage& image) override;
    // Y alone, or Y, U and V: forward, filter, inverse, with a checkpoint at fixed progress
    // points. A stop there (a false answer, or a cancel flag set) ends the pipeline: the steps
    // after it are not done, and the planes are not written back into the image.
    void ProcessPlanes(FCObjImage& image, FCProgressObserver* observer) override;

    virtual void ForwardFFT(const FCObjImage& image, const float* plane);
    virtual void InverseFFT(const FCObjImage& image, float* plane);
    // Changes the spectrum (re, im) in place.
    virtual void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) = 0;

    bool IsLuminanceOnly() const { return m_luminanceOnly; }

protected:
    // The checkpoint between two steps (ProgressCheckpoint): false when the pipeline must stop.
    static bool Report(FCProgressObserver* observer, int percent);
    // re and im for the image's size; false (and none) when they cannot be had.
    bool AllocateSpectrum(const FCObjImage& image);
    // re and im for a run over this image, or none when the planes or the transform are missing.
    void PrepareSpectrum(const FCObjImage& image);
    // re and im exist and were made for this image's size.
    bool SpectrumFits(const FCObjImage& image) const;
    // Planes ready for this image and a transform object to work with.
    bool CanTransform(const FCObjImage& image) const;

    // Zeroes the cells [x0, x1) of row y, clipped to the spectrum.
    void ZeroSpan(int y, long long x0, long long x1);
    // Zeroes [x0, x1) of row y but the cells of [keep0, keep1).
    void ZeroSpanBut(int y, long long x0, long long x1, long long keep0, long long keep1);

    // Window rules over the whole spectrum, centre (width / 2, height / 2).
    void KeepClosedRect(long long rx, long long ry);
    void ZeroRect(long long x0, long long x1, long long y0, long long y1);
    void ZeroOpenRectRing(long long ox, long long oy, long long ix, long long iy);
    void KeepClosedDisc(long long r);
    void ZeroOpenDisc(long long r);

    std::unique_ptr<float[]> m_re;
    std::unique_ptr<float[]> m_im;
    int m_spectrumWidth = 0;
    int m_spectrumHeight = 0;
    // The last forward transform succeeded: the spectrum may be filtered and transformed back.
    bool m_spectrumValid = false;
    FFTW3Helper* m_transform;
    bool m_luminanceOnly;
};

// Module and phase of the spectrum, rebuilt into it: the base of the two displays.
class FCEffectFourier : public FCEffectFourierBase
{
public:
    FCEffectFourier(FFTW3Helper* transform, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly)
    {
    }

    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    virtual void ComputeModulePhase(const FCObjImage& image);
    virtual void RebuildFromModulePhase(const FCObjImage& image);
    virtual void ProcessModulePhase(const FCObjImage& image) { (void)image; }

protected:
    // Module and phase arrays for the image's size, re-made when it changes.
    bool AllocateModulePhase(const FCObjImage& image);

    std::unique_ptr<float[]> m_module;
    std::unique_ptr<float[]> m_phase;
    std::size_t m_modulePhaseCount = 0;
};

// The logarithmic module of the spectrum of Y as grey: ln(1 + m) scaled so that the largest
// module gives 255 (less ln(1 + smallest)). A spectrum that is zero everywhere shows black.
class FCEffectFourierModule : public FCEffectFourier
{
public:
    FCEffectFourierModule(FFTW3Helper* transform, bool luminanceOnly)
        : FCEffectFourier(transform, luminanceOnly)
    {
    }

    void ProcessPlanes(FCObjImage& image, FCProgressObserver* observer) override;
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    virtual void MakeDisplay(FCObjImage& image);
};

// The phase of the spectrum of Y as grey, its range spread over 0..255; a single phase value
// shows black.
class FCEffectFourierPhase : public FCEffectFourierModule
{
public:
    FCEffectFourierPhase(FFTW3Helper* transform, bool luminanceOnly)
        : FCEffectFourierModule(transform, luminanceOnly)
    {
    }

    void MakeDisplay(FCObjImage& image) override;
};

// Low-pass: keeps the closed rectangle of half sizes (halfSizeX, halfSizeY) around the centre.
class FCEffectFourierRect : public FCEffectFourierBase
{
public:
    FCEffectFourierRect(FFTW3Helper* transform, int halfSizeX, int halfSizeY, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_halfSizeX(halfSizeX), m_halfSizeY(halfSizeY)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int HalfSizeX() const { return m_halfSizeX; }
    int HalfSizeY() const { return m_halfSizeY; }

protected:
    int m_halfSizeX, m_halfSizeY;
};

class FCEffectFourierYuvRect : public FCEffectFourierRect
{
public:
    FCEffectFourierYuvRect(FFTW3Helper* transform, int halfSizeX, int halfSizeY)
        : FCEffectFourierRect(transform, halfSizeX, halfSizeY, false)
    {
    }
};

class FCEffectFourierCarre : public FCEffectFourierRect
{
public:
    FCEffectFourierCarre(FFTW3Helper* transform, int halfSize, bool luminanceOnly)
        : FCEffectFourierRect(transform, halfSize, halfSize, luminanceOnly)
    {
    }
};

class FCEffectFourierYuvCarre : public FCEffectFourierCarre
{
public:
    FCEffectFourierYuvCarre(FFTW3Helper* transform, int halfSize)
        : FCEffectFourierCarre(transform, halfSize, false)
    {
    }
};

// High-pass: zeroes the half-open rectangle [c - r, c + r) around the centre (2r cells a side).
class FCEffectFourierRectangulairePasseHaut : public FCEffectFourierBase
{
public:
    FCEffectFourierRectangulairePasseHaut(FFTW3Helper* transform, int halfSizeX, int halfSizeY,
                                          bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_halfSizeX(halfSizeX), m_halfSizeY(halfSizeY)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int HalfSizeX() const { return m_halfSizeX; }
    int HalfSizeY() const { return m_halfSizeY; }

protected:
    int m_halfSizeX, m_halfSizeY;
};

class FCEffectFourierYuvRectPasseHaut : public FCEffectFourierRectangulairePasseHaut
{
public:
    FCEffectFourierYuvRectPasseHaut(FFTW3Helper* transform, int halfSizeX, int halfSizeY)
        : FCEffectFourierRectangulairePasseHaut(transform, halfSizeX, halfSizeY, false)
    {
    }
};

class FCEffectFourierCarrePasseHaut : public FCEffectFourierRectangulairePasseHaut
{
public:
    FCEffectFourierCarrePasseHaut(FFTW3Helper* transform, int halfSize, bool luminanceOnly)
        : FCEffectFourierRectangulairePasseHaut(transform, halfSize, halfSize, luminanceOnly)
    {
    }
};

class FCEffectFourierYuvCarrePasseHaut : public FCEffectFourierCarrePasseHaut
{
public:
    FCEffectFourierYuvCarrePasseHaut(FFTW3Helper* transform, int halfSize)
        : FCEffectFourierCarrePasseHaut(transform, halfSize, false)
    {
    }
};

// Square band-stop: zeroes the open square ring between the inner and the outer half size.
class FCEffectFourierCarreCoupeBande : public FCEffectFourierBase
{
public:
    FCEffectFourierCarreCoupeBande(FFTW3Helper* transform, int innerHalfSize, int outerHalfSize,
                                   bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_innerHalfSize(innerHalfSize),
          m_outerHalfSize(outerHalfSize)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int InnerHalfSize() const { return m_innerHalfSize; }
    int OuterHalfSize() const { return m_outerHalfSize; }

protected:
    int m_innerHalfSize, m_outerHalfSize;
};

class FCEffectFourierYuvCarreCoupeBande : public FCEffectFourierCarreCoupeBande
{
public:
    FCEffectFourierYuvCarreCoupeBande(FFTW3Helper* transform, int innerHalfSize, int outerHalfSize)
        : FCEffectFourierCarreCoupeBande(transform, innerHalfSize, outerHalfSize, false)
    {
    }
};

// Square band-pass: keeps the closed outer square less the open inner one.
class FCEffectFourierCarrePasseBande : public FCEffectFourierBase
{
public:
    FCEffectFourierCarrePasseBande(FFTW3Helper* transform, int innerHalfSize, int outerHalfSize,
                                   bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_innerHalfSize(innerHalfSize),
          m_outerHalfSize(outerHalfSize)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int InnerHalfSize() const { return m_innerHalfSize; }
    int OuterHalfSize() const { return m_outerHalfSize; }

protected:
    int m_innerHalfSize, m_outerHalfSize;
};

class FCEffectFourierYuvCarrePasseBande : public FCEffectFourierCarrePasseBande
{
public:
    FCEffectFourierYuvCarrePasseBande(FFTW3Helper* transform, int innerHalfSize, int outerHalfSize)
        : FCEffectFourierCarrePasseBande(transform, innerHalfSize, outerHalfSize, false)
    {
    }
};

// Rectangular band-stop: zeroes the band of width bandWidth either side of the rectangle of half
// sizes (halfSizeX, halfSizeY).
class FCEffectFourierRectangulaireCoupeBande : public FCEffectFourierBase
{
public:
    FCEffectFourierRectangulaireCoupeBande(FFTW3Helper* transform, int halfSizeX, int halfSizeY,
                                           int bandWidth, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_halfSizeX(halfSizeX), m_halfSizeY(halfSizeY),
          m_bandWidth(bandWidth)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;

protected:
    int m_halfSizeX, m_halfSizeY, m_bandWidth;
};

class FCEffectFourierYuvRectangulaireCoupeBande : public FCEffectFourierRectangulaireCoupeBande
{
public:
    FCEffectFourierYuvRectangulaireCoupeBande(FFTW3Helper* transform, int halfSizeX, int halfSizeY,
                                              int bandWidth)
        : FCEffectFourierRectangulaireCoupeBande(transform, halfSizeX, halfSizeY, bandWidth, false)
    {
    }
};

// Rectangular band-pass: keeps that band.
class FCEffectFourierRectangulairePasseBande : public FCEffectFourierBase
{
public:
    FCEffectFourierRectangulairePasseBande(FFTW3Helper* transform, int halfSizeX, int halfSizeY,
                                           int bandWidth, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_halfSizeX(halfSizeX), m_halfSizeY(halfSizeY),
          m_bandWidth(bandWidth)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;

protected:
    int m_halfSizeX, m_halfSizeY, m_bandWidth;
};

class FCEffectFourierYuvRectangulairePasseBande : public FCEffectFourierRectangulairePasseBande
{
public:
    FCEffectFourierYuvRectangulairePasseBande(FFTW3Helper* transform, int halfSizeX, int halfSizeY,
                                              int bandWidth)
        : FCEffectFourierRectangulairePasseBande(transform, halfSizeX, halfSizeY, bandWidth, false)
    {
    }
};

// Circular low-pass: keeps the closed disc of the radius.
class FCEffectFourierCirculaire : public FCEffectFourierBase
{
public:
    FCEffectFourierCirculaire(FFTW3Helper* transform, int radius, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_radius(radius)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;

protected:
    int m_radius;
};

class FCEffectFourierYuvCirculaire : public FCEffectFourierCirculaire
{
public:
    FCEffectFourierYuvCirculaire(FFTW3Helper* transform, int radius)
        : FCEffectFourierCirculaire(transform, radius, false)
    {
    }
};

// Circular high-pass: zeroes the open disc of the radius.
class FCEffectFourierCirculairePasseHaut : public FCEffectFourierBase
{
public:
    FCEffectFourierCirculairePasseHaut(FFTW3Helper* transform, int radius, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_radius(radius)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;

protected:
    int m_radius;
};

class FCEffectFourierYuvCirculairePasseHaut : public FCEffectFourierCirculairePasseHaut
{
public:
    FCEffectFourierYuvCirculairePasseHaut(FFTW3Helper* transform, int radius)
        : FCEffectFourierCirculairePasseHaut(transform, radius, false)
    {
    }
};

// Circular band-stop: zeroes the open ring between the two radii.
class FCEffectFourierCirculaireCoupeBande : public FCEffectFourierBase
{
public:
    FCEffectFourierCirculaireCoupeBande(FFTW3Helper* transform, int innerRadius, int outerRadius,
                                        bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_innerRadius(innerRadius),
          m_outerRadius(outerRadius)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int InnerRadius() const { return m_innerRadius; }

protected:
    int m_innerRadius, m_outerRadius;
};

class FCEffectFourierYuvCirculaireCoupeBande : public FCEffectFourierCirculaireCoupeBande
{
public:
    FCEffectFourierYuvCirculaireCoupeBande(FFTW3Helper* transform, int innerRadius, int outerRadius)
        : FCEffectFourierCirculaireCoupeBande(transform, innerRadius, outerRadius, false)
    {
    }
};

// Circular band-pass: keeps the closed ring between the two radii.
class FCEffectFourierCirculairePasseBande : public FCEffectFourierBase
{
public:
    FCEffectFourierCirculairePasseBande(FFTW3Helper* transform, int innerRadius, int outerRadius,
                                        bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_innerRadius(innerRadius),
          m_outerRadius(outerRadius)
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;
    int InnerRadius() const { return m_innerRadius; }

protected:
    int m_innerRadius, m_outerRadius;
};

class FCEffectFourierYuvCirculairePasseBande : public FCEffectFourierCirculairePasseBande
{
public:
    FCEffectFourierYuvCirculairePasseBande(FFTW3Helper* transform, int innerRadius, int outerRadius)
        : FCEffectFourierCirculairePasseBande(transform, innerRadius, outerRadius, false)
    {
    }
};

// Gaussian low-pass: each frequency weighted by exp(-(dx^2 + dy^2) sigma^2 / 2), dx and dy its
// distance to the centre; sigma 0 keeps everything. The weights are computed once per size and
// shared by the three planes.
class FCEffectFourierGaussien : public FCEffectFourierBase
{
public:
    FCEffectFourierGaussien(FFTW3Helper* transform, double sigma, bool luminanceOnly)
        : FCEffectFourierBase(transform, luminanceOnly), m_sigma(float(sigma))
    {
    }
    void FilterSpectrum(const FCObjImage& image, FCProgressObserver* observer) override;

protected:
    float m_sigma;
    std::unique_ptr<float[]> m_weights;
    int m_weightsWidth = 0;
    int m_weightsHeight = 0;
};

class FCEffectFourierYuvGaussien : public FCEffectFourierGaussien
{
public:
    FCEffectFourierYuvGaussien(FFTW3Helper* transform, double sigma)
        : FCEffectFourierGaussien(transform, sigma, false)
    {
    }
};
