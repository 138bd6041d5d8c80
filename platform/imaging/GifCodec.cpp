// GIF over giflib: every image block composed on the logical screen (disposal 0/1 keep, 2 clear
// to transparent, 3 restore the previous picture), frame delays and loop count as items. Written
// as one GIF87a/89a image: 8-bit pictures with their palette (an entry of alpha 0 becomes the
// transparent index), deeper ones reduced to at most 256 colours by median cut.
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include <gif_lib.h>

namespace imaging::detail
{
namespace
{
struct Reader
{
    const BYTE* data;
    std::size_t size;
    std::size_t pos;
};

int ReadData(GifFileType* gif, GifByteType* out, int length)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t n = std::min<std::size_t>(std::size_t(length), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return int(n);
}

int WriteData(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<BYTE>*>(gif->UserData);
    try
    {
        out->insert(out->end(), data, data + length);
    }
    catch (...)
    {
        return 0; // the library turns a short write into an error
    }
    return length;
}

struct GifCloser
{
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

struct FrameControl
{
    int delay = 0; // 1/100 s
    int transparent = -1;
    int disposal = 0;
    bool seen = false;
};

// Draws one image block on the canvas, row by row as giflib hands them out.
bool DrawBlock(GifFileType* gif, const FrameControl& control, std::vector<BYTE>& canvas, int screenW,
               int screenH)
{
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (d.Width <= 0 || d.Height <= 0) return false;
    std::vector<GifPixelType> line(std::size_t(d.Width));
    static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass)
    {
        const int start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
        for (int row = start; row < d.Height; row += step)
        {
            if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
            const long y = long(d.Top) + row;
            if (y < 0 || y >= screenH) continue;
            BYTE* out = canvas.data() + std::size_t(y) * std::size_t(screenW) * 4;
            for (int x = 0; x < d.Width; ++x)
            {
                const long sx = long(d.Left) + x;
                if (sx < 0 || sx >= screenW) continue;
                const int index = line[std::size_t(x)];
                if (index == control.transparent) continue;
                BYTE* p = out + std::size_t(sx) * 4;
                if (map && index < map->ColorCount)
                {
                    const GifColorType& c = map->Colors[index];
                    p[0] = c.Blue;
                    p[1] = c.Green;
                    p[2] = c.Red;
                }
                else
                    p[0] = p[1] = p[2] = 0;
                p[3] = 255;
            }
        }
    }
    return true;
}

void ClearRect(std::vector<BYTE>& canvas, int screenW, int screenH, const GifImageDesc& d)
{
    const long left = std::max<long>(d.Left, 0), top = std::max<long>(d.Top, 0);
    const long right = std::min<long>(long(d.Left) + d.Width, screenW);
    const long bottom = std::min<long>(long(d.Top) + d.Height, screenH);
    for (long y = top; y < bottom; ++y)
        if (left < right)
            std::memset(canvas.data() + (std::size_t(y) * std::size_t(screenW) + std::size_t(left)) * 4, 0,
                        std::size_t(right - left) * 4);
}

bool AddFrame(Decoded& out, const std::vector<BYTE>& canvas, int screenW, int screenH,
              const FrameControl& control, const ColorMapObject* map)
{
    Frame frame;
    if (!AllocateFrame(out, frame, screenW, screenH, 32)) return false;
    frame.format = PixelFormat8bppIndexed;
    frame.flags = control.transparent >= 0 ? ImageFlagsHasAlpha : 0;
    for (int y = 0; y < screenH; ++y)
        std::memcpy(frame.Row(y), canvas.data() + std::size_t(y) * std::size_t(screenW) * 4,
                    std::size_t(screenW) * 4);
    frame.validRows = screenH;
    frame.palette.Count = 256;
    frame.palette.Flags = control.transparent >= 0 ? PaletteFlagsHasAlpha : 0;
    if (map)
        for (int i = 0; i < map->ColorCount && i < 256; ++i)
            frame.palette.Entries[i] = (i == control.transparent ? 0u : 0xFF000000u) |
                                       ARGB(map->Colors[i].Red) << 16 | ARGB(map->Colors[i].Green) << 8 |
                                       map->Colors[i].Blue;
    out.frames.push_back(std::move(frame));
    return true;
}

// ---- colour reduction for pictures of more than 8 bits ----

struct Box
{
    std::vector<std::uint16_t> colors; // 15-bit colours (5 bits a channel) in the box
    std::uint64_t weight = 0;
};

int Channel(std::uint16_t c, int k)
{
    return (c >> (10 - 5 * k)) & 31; // k: 0 red, 1 green, 2 blue
}

// Median cut over a 5-bit-per-channel histogram; fills palette (R, G, B) and a map from every
// used 15-bit colour to its entry.
void MedianCut(const std::vector<std::uint32_t>& histogram, int maxColors, std::vector<ARGB>& palette,
               std::vector<BYTE>& lookup)
{
    std::vector<Box> boxes(1);
    for (std::uint32_t c = 0; c < 32768; ++c)
        if (histogram[c])
        {
            boxes[0].colors.push_back(std::uint16_t(c));
            boxes[0].weight += histogram[c];
        }
    while (int(boxes.size()) < maxColors)
    {
        // Split the heaviest box that holds more than one colour, along its longest side.
        int best = -1;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[i].colors.size() > 1 && (best < 0 || boxes[i].weight > boxes[best].weight)) best = i;
        if (best < 0) break;
        Box& box = boxes[best];
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        for (std::uint16_t c : box.colors)
            for (int k = 0; k < 3; ++k)
            {
                lo[k] = std::min(lo[k], Channel(c, k));
                hi[k] = std::max(hi[k], Channel(c, k));
            }
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (hi[k] - lo[k] > hi[axis] - lo[axis]) axis = k;
        std::sort(box.colors.begin(), box.colors.end(),
                  [axis](std::uint16_t a, std::uint16_t b) { return Channel(a, axis) < Channel(b, axis); });
        std::uint64_t half = 0;
        std::size_t cut = 0;
        while (cut + 1 < box.colors.size() && half + histogram[box.colors[cut]] <= box.weight / 2)
            half += histogram[box.colors[cut++]];
        if (cut == 0) cut = 1;
        Box upper;
        upper.colors.assign(box.colors.begin() + std::ptrdiff_t(cut), box.colors.end());
        box.colors.resize(cut);
        box.weight = 0;
        for (std::uint16_t c : box.colors)
            box.weight += histogram[c];
        for (std::uint16_t c : upper.colors)
            upper.weight += histogram[c];
        boxes.push_back(std::move(upper));
    }
    palette.clear();
    lookup.assign(32768, 0);
    for (std::size_t i = 0; i < boxes.size(); ++i)
    {
        std::uint64_t sum[3] = {0, 0, 0}, weight = 0;
        for (std::uint16_t c : boxes[i].colors)
        {
            for (int k = 0; k < 3; ++k)
                sum[k] += std::uint64_t(Channel(c, k)) * histogram[c];
            weight += histogram[c];
            lookup[c] = BYTE(i);
        }
        ARGB entry = 0xFF000000u;
        for (int k = 0; k < 3; ++k)
        {
            const std::uint64_t v5 = weight ? (sum[k] + weight / 2) / weight : 0;
            entry |= ARGB((v5 << 3) | (v5 >> 2)) << (16 - 8 * k);
        }
        palette.push_back(entry);
    }
}

// Turns a 24- or 32-bit frame into indices and a palette; with 32 bits, pixels of alpha below
// 128 take a transparent entry of their own.
void Reduce(const Frame& frame, std::vector<BYTE>& indices, std::vector<ARGB>& palette, int& transparent)
{
    const int step = frame.storageBpp / 8;
    const std::size_t w = std::size_t(frame.width);
    indices.assign(w * std::size_t(frame.height), 0);
    transparent = -1;
    bool anyClear = false;
    // Exact colours first: up to 256 (255 with a transparent entry) need no reduction.
    std::unordered_map<std::uint32_t, int> exact;
    bool fits = true;
    for (int y = 0; y < frame.height && fits; ++y)
    {
        const BYTE* p = frame.Row(y);
        for (std::size_t x = 0; x < w; ++x, p += step)
        {
            if (step == 4 && p[3] < 128)
            {
                anyClear = true;
                continue;
            }
            const std::uint32_t key = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
            if (exact.find(key) == exact.end())
            {
                if (exact.size() >= 256)
                {
                    fits = false;
                    break;
                }
                exact.emplace(key, int(exact.size()));
            }
        }
    }
    if (step == 4 && !anyClear)
        for (int y = 0; y < frame.height && !anyClear; ++y)
            for (std::size_t x = 0; x < w && !anyClear; ++x)
                anyClear = frame.Row(y)[x * 4 + 3] < 128;
    const int room = anyClear ? 255 : 256;
    // Every pixel to its entry through index(p), or to the transparent entry added last.
    auto mapAll = [&](auto index)
    {
        if (anyClear)
        {
            transparent = int(palette.size());
            palette.push_back(0);
        }
        for (int y = 0; y < frame.height; ++y)
        {
            const BYTE* p = frame.Row(y);
            BYTE* d = indices.data() + std::size_t(y) * w;
            for (std::size_t x = 0; x < w; ++x, p += step)
                d[x] = (step == 4 && p[3] < 128) ? BYTE(transparent) : index(p);
        }
    };
    if (fits && int(exact.size()) <= room)
    {
        palette.assign(exact.size(), 0);
        for (const auto& [key, index] : exact)
            palette[std::size_t(index)] = 0xFF000000u | key;
        mapAll([&](const BYTE* p)
               { return BYTE(exact[std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]]); });
        return;
    }
    std::vector<std::uint32_t> histogram(32768, 0);
    auto key15 = [](const BYTE* p)
    { return std::uint16_t((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | (p[0] >> 3)); };
    for (int y = 0; y < frame.height; ++y)
    {
        const BYTE* p = frame.Row(y);
        for (std::size_t x = 0; x < w; ++x, p += step)
            if (!(step == 4 && p[3] < 128)) ++histogram[key15(p)];
    }
    std::vector<BYTE> lookup;
    MedianCut(histogram, room, palette, lookup);
    mapAll([&](const BYTE* p) { return lookup[key15(p)]; });
}
} // namespace

bool DecodeGif(const BYTE* data, std::size_t size, Decoded& out)
{
    Reader reader{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, ReadData, &error));
    if (!gif) return false;
    std::int64_t screenW = gif->SWidth, screenH = gif->SHeight;
    std::vector<BYTE> canvas, saved;
    std::vector<std::uint32_t> delays;
    FrameControl control;
    int loopCount = -1;
    bool done = false;
    while (!done)
    {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
        switch (type)
        {
        case IMAGE_DESC_RECORD_TYPE:
        {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            {
                done = true;
                out.incomplete = true; // the file stops (or goes wrong) inside a frame's header
                break;
            }
            const GifImageDesc& d = gif->Image;
            if (canvas.empty())
            {
                // A screen of no size takes the first image's.
                if (screenW <= 0 || screenH <= 0)
                {
                    screenW = std::int64_t(d.Left) + d.Width;
                    screenH = std::int64_t(d.Top) + d.Height;
                }
                const std::uint64_t bytes = std::uint64_t(std::max<std::int64_t>(screenW, 0)) *
                                            std::uint64_t(std::max<std::int64_t>(screenH, 0)) * 4;
                if (screenW <= 0 || screenH <= 0 || out.bytesUsed + bytes > MaxDecodedBytes())
                {
                    done = true;
                    break;
                }
                canvas.assign(std::size_t(bytes), 0);
                out.bytesUsed += bytes; // the canvas is memory of this picture too
            }
            if (control.disposal == 3)
            {
                // The copy kept to restore the canvas is counted the first time it is made.
                if (saved.capacity() < canvas.size())
                {
                    if (out.bytesUsed + canvas.size() > MaxDecodedBytes()) return false;
                    out.bytesUsed += canvas.size();
                }
                saved = canvas;
            }
            const bool whole = DrawBlock(gif.get(), control, canvas, int(screenW), int(screenH));
            // A frame that cannot be had fails the whole file: an animation must not quietly
            // come back shorter than it is.
            if (!AddFrame(out, canvas, int(screenW), int(screenH), control,
                          d.ColorMap ? d.ColorMap : gif->SColorMap))
                return false;
            delays.push_back(control.seen ? std::uint32_t(control.delay) : 0);
            if (control.disposal == 2)
                ClearRect(canvas, int(screenW), int(screenH), d);
            else if (control.disposal == 3 && !saved.empty())
                canvas.swap(saved);
            saved.clear();
            // Extensions apply to the image that follows them only.
            control = FrameControl{};
            if (!whole)
            {
                done = true; // the rows read so far are kept; the file ends there
                // A file that stops inside the frame is cut short; one whose blocks end before
                // the pixels do is whole, only its picture is short of data.
                if (reader.pos >= reader.size) out.incomplete = true;
            }
            break;
        }
        case EXTENSION_RECORD_TYPE:
        {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR)
            {
                done = true;
                out.incomplete = true;
                break;
            }
            bool netscape = false;
            bool first = true;
            while (ext)
            {
                if (code == GRAPHICS_EXT_FUNC_CODE && first && ext[0] >= 4)
                {
                    GraphicsControlBlock gcb;
                    if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                    {
                        control.seen = true;
                        control.delay = gcb.DelayTime;
                        control.transparent = gcb.TransparentColor;
                        control.disposal = gcb.DisposalMode;
                    }
                }
                else if (code == APPLICATION_EXT_FUNC_CODE && first)
                    netscape = ext[0] == 11 && std::memcmp(ext + 1, "NETSCAPE2.0", 11) == 0;
                else if (netscape && ext[0] >= 3 && ext[1] == 1)
                    loopCount = ext[2] | ext[3] << 8;
                first = false;
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR)
                {
                    done = true;
                    out.incomplete = true;
                    break;
                }
            }
            break;
        }
        case TERMINATE_RECORD_TYPE:
            done = true;
            break;
        default:
            break;
        }
    }
    if (out.frames.empty()) return false;
    // One delay per frame, in 1/100 s, 0 for a frame without a control block.
    std::vector<BYTE> value;
    for (std::uint32_t d : delays)
        PutU32LE(value, d);
    SetItem(out.items, PropertyTagFrameDelay, 4, value.data(), value.size());
    if (loopCount >= 0)
    {
        value.clear();
        PutU16LE(value, unsigned(loopCount));
        SetItem(out.items, PropertyTagLoopCount, 3, value.data(), value.size());
    }
    return true;
}

bool EncodeGif(const Frame& frame, std::vector<BYTE>& out)
{
    if (frame.width > 65535 || frame.height > 65535) return false;
    std::vector<BYTE> indices;
    std::vector<ARGB> palette;
    int transparent = -1;
    if (frame.storageBpp == 8)
    {
        palette.assign(frame.palette.Entries, frame.palette.Entries + 256);
        for (int i = 0; i < 256 && transparent < 0; ++i)
            if ((palette[std::size_t(i)] >> 24) == 0) transparent = i;
    }
    else
        Reduce(frame, indices, palette, transparent);
    // giflib wants a power of two entries.
    int colors = 2;
    while (colors < int(palette.size()))
        colors *= 2;
    std::vector<GifColorType> entries(static_cast<std::size_t>(colors));
    for (std::size_t i = 0; i < palette.size(); ++i)
        entries[i] = GifColorType{BYTE(palette[i] >> 16), BYTE(palette[i] >> 8), BYTE(palette[i])};
    ColorMapObject* map = GifMakeMapObject(colors, entries.data());
    if (!map) return false;

    out.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteData, &error);
    if (!gif)
    {
        GifFreeMapObject(map);
        return false;
    }
    EGifSetGifVersion(gif, transparent >= 0);
    bool ok = EGifPutScreenDesc(gif, frame.width, frame.height, map->BitsPerPixel, 0, map) == GIF_OK;
    if (ok && transparent >= 0)
    {
        GraphicsControlBlock gcb;
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        const std::size_t n = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < frame.height; ++y)
    {
        BYTE* row =
            frame.storageBpp == 8 ? frame.Row(y) : indices.data() + std::size_t(y) * std::size_t(frame.width);
        ok = EGifPutLine(gif, row, frame.width) == GIF_OK;
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok;
}
} // namespace imaging::detail
