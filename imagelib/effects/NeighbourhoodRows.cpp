#include "imagelib/effects/NeighbourhoodRows.h"

#include "imagelib/FCParallel.h"

#include <cstring>

namespace neighbour
{

void StoreColourBytes(BYTE* dest, const BYTE* result, int width, int step)
{
    if (step == 3)
    {
        std::memcpy(dest, result, std::size_t(width) * 3);
        return;
    }
    for (int x = 0; x < width; ++x, dest += step, result += step)
    {
        dest[0] = result[0];
        dest[1] = result[1];
        dest[2] = result[2];
    }
}

RowsBeforePass::RowsBeforePass(const FCObjImage& image, int reach, RowScratch& scratch)
    : m_image(image), m_reach(reach < 1 ? 1 : (reach > 2 ? 2 : reach))
{
    const std::size_t bytes = std::size_t(image.Width()) * std::size_t(image.ColorBits() / 8);
    for (int i = 0; i <= m_reach; ++i)
    {
        m_saved[i] = scratch.Slot(3 + i, bytes);
        m_ready = m_ready && m_saved[i] && image.HasBits();
    }
}

void RowsBeforePass::Save(int y)
{
    std::memcpy(m_saved[y % (m_reach + 1)], m_image.RowAddress(y),
                std::size_t(m_image.Width()) * std::size_t(m_image.ColorBits() / 8));
    m_last = y;
}

BYTE* RowScratch::Slot(int slot, std::size_t bytes)
{
    std::vector<BYTE>& v = m_slots[slot];
    if (v.size() < bytes || v.empty())
    {
        try
        {
            v.resize(bytes > 0 ? bytes : 1);
        }
        catch (const std::bad_alloc&)
        {
            return nullptr;
        }
        catch (const std::length_error&)
        {
            return nullptr;
        }
    }
    return v.data();
}

void SourceCopy::Take(const FCObjImage& image)
{
    const int bpp = image.ColorBits();
    if (!image.HasBits() || (bpp != 24 && bpp != 32))
    {
        m_image = image;
        return;
    }
    if (!m_image.Create(image.Width(), image.Height(), bpp)) return;
    const std::size_t rowBytes = std::size_t(image.RowPitch());
    ParallelRows(image.Height(), int(rowBytes),
                 [&](int begin, int end)
                 {
                     for (int y = begin; y < end; ++y)
                         std::memcpy(m_image.RowAddress(y), image.RowAddress(y), rowBytes);
                 });
}

void FCNeighbourhoodEffect::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    (void)image;
    m_copy.ApplyToPixel(x, y, pixel,
                        [&](BYTE* out, RowScratch& scratch) { return ComputeResultRow(y, out, scratch); });
}

std::unique_ptr<FCEffectThreadState> FCNeighbourhoodEffect::CreateThreadState(const FCObjImage&)
{
    return std::unique_ptr<FCEffectThreadState>(new (std::nothrow) RowState);
}

void FCNeighbourhoodEffect::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int,
                                               FCEffectThreadState* state)
{
    auto compute = [&](BYTE* out, RowScratch& scratch) { return ComputeResultRow(y, out, scratch); };
    if (state)
        m_copy.ApplyToRow(y, row, image.Width(), static_cast<RowState*>(state)->scratch, compute);
    else
    {
        RowScratch scratch; // no memory for a state: this row's own
        m_copy.ApplyToRow(y, row, image.Width(), scratch, compute);
    }
}
} // namespace neighbour
