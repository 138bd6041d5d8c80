// Resizing and rotating a whole image: our own separable Catmull-Rom resampling, alpha-weighted,
// in two passes, and the FreeImage-based rescale (six filters) and rotation. All are whole-image
// effects that report their own progress.
#pragma once

#include "imagelib/FCImageEffect.h"

struct FIBITMAP;

// A resampling filter: Filter(x) is the weight at distance x, zero beyond the support.
class FCFilterBase
{
public:
    explicit FCFilterBase(double support) : m_support(support) {}
    virtual ~FCFilterBase() = default;
    virtual double Filter(double x) const = 0;
    double GetSupport() const { return m_support; }

protected:
    double m_support; // half-width of the filter, in source pixels
};

// The cubic convolution kernel with a = -0.5, support 2.
class FCFilterCatmullRom : public FCFilterBase
{
public:
    FCFilterCatmullRom() : FCFilterBase(2.0) {}
    double Filter(double x) const override;
};

// Fills dst (the source's height, the target width) from the rows of src; reports 0..50. The
// filter is widened by 1 / scale when shrinking; destination column d is centred on source
// position d / scale; source indices beyond the edges repeat the edge pixel. At 32 bits colours
// are weighted by their alpha. Nothing is done when the sizes or depths do not match.
// threads (1..8, at most those of the run open on the calling thread) share the columns; the
// calling thread alone reports progress and checks for
// cancel, and the columns the others have in hand when it stops are finished too. The bytes of a
// full pass are the same for every thread count.
void ResampleWithFilterHorizontal(const FCObjImage& src, FCObjImage& dst, const FCFilterBase& filter,
                                  FCProgressObserver* observer, int threads = 1);
// The same down the columns: fills dst (the source's width, the target height); reports 50..100.
// threads share the destination rows in the same way.
void ResampleWithFilterVertical(FCObjImage& dst, const FCObjImage& src, const FCFilterBase& filter,
                                FCProgressObserver* observer, int threads = 1);

// Catmull-Rom resize to newWidth x newHeight. Leaves the image as it was when a size is below 1,
// equals the current one, or the new image cannot be had.
class FCEffectResize : public FCImageEffect
{
public:
    FCEffectResize(int newWidth, int newHeight) : m_newWidth(newWidth), m_newHeight(newHeight) {}
    int GetProcessMode() const override { return kProcessWholeImage; }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

private:
    int m_newWidth;
    int m_newHeight;
};

// Hands the image to FreeImage, lets a subclass transform it with one call, and takes the result
// back as a 24- or 32-bit image. When FreeImage fails the image is left as it was.
class FCEffectFreeImage : public FCImageEffect
{
public:
    FCEffectFreeImage() = default;
    ~FCEffectFreeImage() override;

    int GetProcessMode() const override { return kProcessWholeImage; }
    // Copies the pixels into a new FreeImage bitmap (none when the image has no pixels or the
    // bitmap cannot be had).
    void PrepareImage(FCObjImage& image) override;
    // Progress 1, the transformation, 98, 99, the copy back, 100; a stop at one of these
    // checkpoints leaves the image as it was.
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

    // Replaces the image by the bitmap held (converted to 24 or 32 bits when it has fewer), then
    // releases it. Without a bitmap, or when the image cannot be recreated, the image is kept.
    virtual void CopyBack(FCObjImage& image);
    // The transformed bitmap, new, or null on failure; the bitmap held is not changed.
    virtual FIBITMAP* RunFreeImage() = 0;

protected:
    FIBITMAP* m_bitmap = nullptr;
};

// FreeImage rescale; filter 0..5: box, bicubic, bilinear, B-spline, Catmull-Rom, Lanczos 3
// (other values are brought into that range).
class FCEffectResizeFreeImage : public FCEffectFreeImage
{
public:
    FCEffectResizeFreeImage(int newWidth, int newHeight, int filter);
    FIBITMAP* RunFreeImage() override;

private:
    int m_newWidth;
    int m_newHeight;
    int m_filter;
};

// FreeImage rotation by angle degrees, positive anticlockwise on screen; the corners uncovered
// are black (transparent at 32 bits) and the image grows to hold the turned picture.
class FCEffectRotateFreeImage : public FCEffectFreeImage
{
public:
    explicit FCEffectRotateFreeImage(double angle) : m_angle(angle) {}
    FIBITMAP* RunFreeImage() override;

private:
    double m_angle;
};
