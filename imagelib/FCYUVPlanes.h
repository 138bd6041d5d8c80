// An image split into three float planes, Y, U and V (width x height values each, row-major, row
// 0 at the top), and put back together. Used by the Fourier effects and as the document's cache
// for the Y/U/V tool views.
#pragma once

#include <cstddef>
#include <memory>

class FCObjImage;

class FCYUVPlanes
{
public:
    FCYUVPlanes() = default;
    FCYUVPlanes(const FCYUVPlanes&) = delete;
    FCYUVPlanes& operator=(const FCYUVPlanes&) = delete;
    ~FCYUVPlanes() = default;

    // Fills the planes from the image's pixels (8-bit images through their palette),
    // re-allocating them when the size changes. False, with the planes empty (0 x 0), when the
    // image is empty, of another depth or the planes cannot be had.
    bool FromImage(const FCObjImage& image);
    // Writes the planes back as pixels (each value clamped to 0..255 and truncated); alpha bytes
    // are left as they were. An image of another size (or without 24 or 32 bits) is re-created at
    // the planes' size, keeping 32 bits when it had them (with opaque alpha), else at 24 bits.
    // False, with the image untouched, when the planes are empty.
    bool ToImage(FCObjImage& image) const;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsEmpty() const { return !m_y; }
    float* Y() { return m_y.get(); }
    float* U() { return m_u.get(); }
    float* V() { return m_v.get(); }
    const float* Y() const { return m_y.get(); }
    const float* U() const { return m_u.get(); }
    const float* V() const { return m_v.get(); }

private:
    bool Allocate(int width, int height);
    void Release();

    std::unique_ptr<float[]> m_y, m_u, m_v;
    int m_width = 0;
    int m_height = 0;
};
