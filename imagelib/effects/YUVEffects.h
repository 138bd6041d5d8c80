// Channel and Y/U/V effects: one colour channel kept alone or spread as grey, the luminance as
// grey, each chrominance as a two-colour or grey image; and the base of the effects that work on
// the Y, U and V planes of the whole image.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/FCYUVPlanes.h"

// Splits the image into its Y, U and V planes before the work, lets the subclass work on the
// planes, then writes them back, unless the work was stopped (the image then stays as
// PrepareImage left it). The loops over the planes share the threads of the run.
class FCEffectYUVBase : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessWholeImage; }
    void PrepareImage(FCObjImage& image) override { ToPlanes(image); }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override
    {
        ProcessPlanes(image, observer);
        if (!ProgressCancelled(observer)) FromPlanes(image);
    }

    virtual void ToPlanes(const FCObjImage& image) { m_planes.FromImage(image); }
    virtual void FromPlanes(FCObjImage& image) { m_planes.ToImage(image); }
    virtual void ProcessPlanes(FCObjImage& image, FCProgressObserver* observer) = 0;

protected:
    FCYUVPlanes m_planes;
};

// The six colour channel effects and the five Y/U/V extraction effects: per row, no parameters,
// alpha untouched.

class FCEffectGetRChannel : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectGetGChannel : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectGetBChannel : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectGetRChannelLumi : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectGetGChannelLumi : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectGetBChannelLumi : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectYUVLuminance : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void PrepareImage(FCObjImage& image) override;
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;

private:
    // The run loops of the instruction set chosen for the run: 24 and 32 bits.
    void (*m_run24)(BYTE*, int) = nullptr;
    void (*m_run32)(BYTE*, int) = nullptr;
};

class FCEffectYUVChrominanceBleue : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectYUVChrominanceBleueLuminance : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectYUVChrominanceRouge : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};

class FCEffectYUVChrominanceRougeLuminance : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;
};
