// JPEG over libjpeg-turbo: grey, colour and CMYK/YCCK files decoded straight into B, G, R rows,
// the EXIF APP1 segment read into items, the quantisation tables exposed as items, the ICC
// profile kept. Written baseline 4:2:0 with a JFIF header, an EXIF segment built from the items
// and the ICC profile, and a restart marker after every row of blocks, so that strips of the
// picture can be encoded on several threads and joined into the very file one thread would
// write. Every library error comes back here as a failure.
#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/SharedWork.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace imaging::detail
{
namespace
{
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // The data ended before the picture did (the library fills the rest with grey).
    bool endedEarly = false;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

void NoteMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) err->endedEarly = true;
    if (level < 0) ++err->pub.num_warnings;
}

void InstallErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = SilentMessage;
    err.pub.emit_message = NoteMessage;
}

// A file of many scans makes the library go over every block of the picture once per scan, which
// a few bytes per scan can ask thousands of times. Like other image programs, the reader stops a
// file at 500 scans, and also when its scans together would visit the picture's blocks more than
// 64 times over (ten scans visit them about five times); a free allowance keeps tiny pictures of
// many scans readable. The monitor is called at every row of blocks the library reads.
constexpr int kMaxScans = 500;
constexpr std::uint64_t kMaxVisitsPerBlock = 64;
constexpr std::uint64_t kFreeVisits = 1u << 20;

struct ScanGuard
{
    jpeg_progress_mgr pub;
    int lastScan = 0;
    std::uint64_t visits = 0;
    bool refused = false;
};

void WatchScans(j_common_ptr common)
{
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* guard = reinterpret_cast<ScanGuard*>(common->progress);
    if (cinfo->input_scan_number == guard->lastScan) return;
    guard->lastScan = cinfo->input_scan_number;
    std::uint64_t blocks = 0, scanBlocks = 0;
    for (int c = 0; c < cinfo->num_components; ++c)
        blocks += std::uint64_t(cinfo->comp_info[c].width_in_blocks) * cinfo->comp_info[c].height_in_blocks;
    for (int c = 0; c < cinfo->comps_in_scan && c < MAX_COMPS_IN_SCAN; ++c)
        if (const jpeg_component_info* comp = cinfo->cur_comp_info[c])
            scanBlocks += std::uint64_t(comp->width_in_blocks) * comp->height_in_blocks;
    guard->visits += scanBlocks;
    if (cinfo->input_scan_number > kMaxScans || guard->visits > kMaxVisitsPerBlock * blocks + kFreeVisits)
    {
        guard->refused = true;
        ERREXIT(cinfo, JERR_NOT_COMPILED);
    }
}

// What survives a jump out of the library.
struct DecodeState
{
    jpeg_decompress_struct cinfo;
    ScanGuard scans;
    ErrorManager err;
    Frame frame;
    bool haveFrame = false;
    JOCTET* icc = nullptr;
    unsigned iccLength = 0;
    std::vector<BYTE> cmykRow;
};

void ReadMarkers(DecodeState& st, Decoded& out)
{
    for (jpeg_saved_marker_ptr m = st.cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
        {
            ParseTiffItems(m->data + 6, m->data_length - 6, out.items);
            break;
        }
    for (int t = 0; t < 2; ++t)
    {
        const JQUANT_TBL* q = st.cinfo.quant_tbl_ptrs[t];
        if (!q) continue;
        std::vector<BYTE> value;
        for (int i = 0; i < DCTSIZE2; ++i)
            PutU16LE(value, q->quantval[i]);
        SetItem(out.items, t == 0 ? PropertyTagLuminanceTable : PropertyTagChrominanceTable, 3, value.data(),
                value.size());
    }
}

bool RunDecode(DecodeState& st, const BYTE* data, std::size_t size, Decoded& out)
{
    jpeg_decompress_struct& cinfo = st.cinfo;
    // A cut file keeps the rows it gave; a file refused for its scans gives nothing.
    if (setjmp(st.err.jump))
    {
        out.incomplete = true;
        return !st.scans.refused && st.haveFrame && st.frame.validRows > 0;
    }
    st.scans.pub.progress_monitor = WatchScans;
    cinfo.progress = &st.scans.pub;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    if (!AllocateFrame(out, st.frame, cinfo.image_width, cinfo.image_height, 24)) return false;
    st.haveFrame = true;
    // The library's own work memory (a progressive file keeps every coefficient of the picture)
    // counts in the same budget as the frame: what the frame left of it.
    const std::uint64_t left = MaxDecodedBytes() > out.bytesUsed ? MaxDecodedBytes() - out.bytesUsed : 0;
    if (left == 0) return false; // 0 would mean no limit at all to the library
    cinfo.mem->max_memory_to_use = long(std::min<std::uint64_t>(left, 0x7FFFFFFF));
    st.frame.format = cinfo.jpeg_color_space == JCS_GRAYSCALE ? PixelFormat8bppIndexed : PixelFormat24bppRGB;
    ReadMarkers(st, out);
    if (jpeg_read_icc_profile(&cinfo, &st.icc, &st.iccLength) && st.icc && st.iccLength > 0)
        SetItem(out.items, PropertyTagICCProfile, 7, st.icc, st.iccLength);

    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != unsigned(st.frame.width) || cinfo.output_height != unsigned(st.frame.height))
        return false;
    // Adobe writes CMYK inverted (0 is full ink).
    const bool inverted = cinfo.saw_Adobe_marker;
    if (cmyk) st.cmykRow.resize(std::size_t(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        const int y = int(cinfo.output_scanline);
        JSAMPROW row = cmyk ? st.cmykRow.data() : st.frame.Row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (cmyk)
        {
            BYTE* d = st.frame.Row(y);
            const BYTE* s = st.cmykRow.data();
            for (unsigned x = 0; x < cinfo.output_width; ++x, s += 4, d += 3)
            {
                unsigned c = s[0], m = s[1], ye = s[2], k = s[3];
                if (!inverted)
                {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                d[0] = BYTE((ye * k + 127) / 255);
                d[1] = BYTE((m * k + 127) / 255);
                d[2] = BYTE((c * k + 127) / 255);
            }
        }
        st.frame.validRows = y + 1;
    }
    jpeg_finish_decompress(&cinfo);
    return st.frame.validRows > 0;
}

// Compressed bytes go straight into the caller's vector, sized ahead for most photographs and
// doubled when full; a failed allocation is a library error like any other.
struct VectorDestination
{
    jpeg_destination_mgr pub;
    std::vector<BYTE>* out = nullptr;
};

void GrowOrFail(j_compress_ptr cinfo, std::size_t newSize)
{
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const std::size_t used = d->out->size() - d->pub.free_in_buffer;
    bool grown = true;
    try
    {
        d->out->resize(newSize);
    }
    catch (...)
    {
        grown = false;
    }
    if (!grown) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    d->pub.next_output_byte = d->out->data() + used;
    d->pub.free_in_buffer = d->out->size() - used;
}

void InitDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->out->clear();
    d->pub.free_in_buffer = 0;
    // A quarter of the raw size holds most photographs at high quality.
    GrowOrFail(cinfo, std::max<std::size_t>(65536, std::size_t(cinfo->image_width) * cinfo->image_height *
                                                       std::size_t(cinfo->input_components) / 4));
}

boolean EmptyBuffer(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    GrowOrFail(cinfo, d->out->size() * 2); // the library asks only when the vector is full
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
    d->out->resize(d->out->size() - d->pub.free_in_buffer);
}

struct EncodeState
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    VectorDestination dest;
    std::vector<BYTE> rowBuffer;
    std::vector<BYTE> exif;
};

// Rows [y0, y1) of the frame as a file of their own; the items (EXIF, ICC profile) go into the
// file when given.
bool RunEncode(EncodeState& st, const Frame& frame, int y0, int y1, const ItemList* items, int quality)
{
    jpeg_compress_struct& cinfo = st.cinfo;
    if (setjmp(st.err.jump)) return false;
    st.dest.pub.init_destination = InitDestination;
    st.dest.pub.empty_output_buffer = EmptyBuffer;
    st.dest.pub.term_destination = TermDestination;
    cinfo.dest = &st.dest.pub;
    cinfo.image_width = JDIMENSION(frame.width);
    cinfo.image_height = JDIMENSION(y1 - y0);
    if (frame.storageBpp == 32)
    {
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_BGRX; // the fourth byte is dropped, not composited
    }
    else
    {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    cinfo.restart_in_rows = 1;
    jpeg_start_compress(&cinfo, TRUE);

    if (items)
    {
        st.exif = BuildExifApp1(*items);
        if (!st.exif.empty())
            jpeg_write_marker(&cinfo, JPEG_APP0 + 1, st.exif.data(), unsigned(st.exif.size()));
        if (const Item* icc = FindItem(*items, PropertyTagICCProfile); icc && !icc->value.empty())
            jpeg_write_icc_profile(&cinfo, icc->value.data(), unsigned(icc->value.size()));
    }

    if (frame.storageBpp == 8) st.rowBuffer.resize(std::size_t(frame.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        const int y = y0 + int(cinfo.next_scanline);
        JSAMPROW row;
        if (frame.storageBpp == 8)
        {
            const BYTE* s = frame.Row(y);
            BYTE* d = st.rowBuffer.data();
            for (int x = 0; x < frame.width; ++x, d += 3)
            {
                const ARGB c = frame.palette.Entries[s[x]];
                d[0] = BYTE(c);
                d[1] = BYTE(c >> 8);
                d[2] = BYTE(c >> 16);
            }
            row = st.rowBuffer.data();
        }
        else
            row = const_cast<BYTE*>(frame.Row(y));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

bool EncodeStrip(const Frame& frame, int y0, int y1, const ItemList* items, int quality,
                 std::vector<BYTE>& out)
{
    EncodeState st;
    InstallErrors(st.err);
    st.cinfo.err = &st.err.pub;
    st.dest.out = &out;
    if (setjmp(st.err.jump))
    {
        jpeg_destroy_compress(&st.cinfo);
        return false;
    }
    jpeg_create_compress(&st.cinfo);
    const bool ok = RunEncode(st, frame, y0, y1, items, quality);
    jpeg_destroy_compress(&st.cinfo);
    return ok;
}

// Where the entropy-coded data of a file written by the library starts (just after its scan
// header), and the offset of its frame header's height; 0 when the markers do not say.
struct StripLayout
{
    std::size_t data = 0;
    std::size_t height = 0;
};

StripLayout LayoutOf(const std::vector<BYTE>& file)
{
    StripLayout layout;
    std::size_t at = 2; // after the start of image
    while (at + 4 <= file.size() && file[at] == 0xFF)
    {
        const BYTE marker = file[at + 1];
        const std::size_t length = std::size_t(file[at + 2]) << 8 | file[at + 3];
        if (length < 2 || at + 2 + length > file.size()) return {};
        if (marker == 0xC0 && length >= 7) layout.height = at + 5;
        at += 2 + length;
        if (marker == 0xDA)
        {
            layout.data = at;
            return layout;
        }
    }
    return {};
}

bool EndsWithEndOfImage(const std::vector<BYTE>& file)
{
    return file.size() >= 4 && file[file.size() - 2] == 0xFF && file[file.size() - 1] == 0xD9;
}
} // namespace

bool JoinJpegStrips(std::vector<BYTE>& first, const std::vector<std::vector<BYTE>>& rest, int height)
{
    const StripLayout head = LayoutOf(first);
    if (head.data == 0 || head.height == 0 || !EndsWithEndOfImage(first) || height < 1 || height > 0xFFFF)
        return false;
    std::size_t total = first.size();
    std::vector<std::size_t> starts;
    for (const std::vector<BYTE>& strip : rest)
    {
        const StripLayout layout = LayoutOf(strip);
        if (layout.data == 0 || !EndsWithEndOfImage(strip) || layout.data > strip.size() - 2) return false;
        starts.push_back(layout.data);
        total += 2 + strip.size() - 2 - layout.data;
    }
    first[head.height] = BYTE(height >> 8);
    first[head.height + 1] = BYTE(height);
    first.resize(first.size() - 2);
    first.reserve(total);
    for (std::size_t k = 0; k < rest.size(); ++k)
    {
        // The marker after the last row of blocks of the strip before: every strip but the
        // last holds a multiple of eight rows of blocks, so it is the eighth, RST7.
        first.push_back(0xFF);
        first.push_back(0xD7);
        first.insert(first.end(), rest[k].begin() + std::ptrdiff_t(starts[k]), rest[k].end() - 2);
    }
    first.push_back(0xFF);
    first.push_back(0xD9);
    return true;
}

bool DecodeJpeg(const BYTE* data, std::size_t size, Decoded& out)
{
    DecodeState st;
    InstallErrors(st.err);
    st.cinfo.err = &st.err.pub;
    // Everything that lives across a jump is in st; the library's errors land on the setjmp of
    // the innermost caller.
    if (setjmp(st.err.jump))
    {
        jpeg_destroy_decompress(&st.cinfo);
        return false;
    }
    jpeg_create_decompress(&st.cinfo);
    const bool ok = RunDecode(st, data, size, out);
    if (st.err.endedEarly) out.incomplete = true;
    jpeg_destroy_decompress(&st.cinfo);
    std::free(st.icc);
    if (ok) out.frames.push_back(std::move(st.frame));
    return ok;
}

bool EncodeJpeg(const Frame& frame, const ItemList& items, int quality, std::vector<BYTE>& out)
{
    out.clear();
    quality = quality < 0 ? 75 : quality;
    if (frame.width < 1 || frame.height < 1) return false;
    // Strips of whole groups of eight rows of blocks (a 4:2:0 block row is 16 pixel rows), at
    // least a megabyte of pixels each, one per thread the caller may use.
    constexpr std::size_t kGroupRows = 8 * 16;
    const std::size_t groups = (std::size_t(frame.height) + kGroupRows - 1) / kGroupRows;
    const std::size_t count = RowParts(groups, kGroupRows * std::size_t(frame.width) * 3, 1u << 20);
    if (count == 1)
    {
        const bool ok = EncodeStrip(frame, 0, frame.height, &items, quality, out);
        if (!ok) out.clear();
        return ok;
    }
    try
    {
        std::vector<std::vector<BYTE>> rest(count - 1);
        std::vector<char> done(count, 0);
        struct Job
        {
            const Frame* frame;
            const ItemList* items;
            int quality;
            std::size_t groups, count;
            std::vector<BYTE>* first;
            std::vector<std::vector<BYTE>>* rest;
            std::vector<char>* done;

            int Row(std::size_t k) const
            {
                return int(std::min(PartRow(groups, count, k) * kGroupRows, std::size_t(frame->height)));
            }
        } job{&frame, &items, quality, groups, count, &out, &rest, &done};
        RunParts(
            count,
            [](void* context, std::size_t k)
            {
                auto& j = *static_cast<Job*>(context);
                std::vector<BYTE>& into = k == 0 ? *j.first : (*j.rest)[k - 1];
                (*j.done)[k] = EncodeStrip(*j.frame, j.Row(k), j.Row(k + 1), k == 0 ? j.items : nullptr,
                                           j.quality, into);
            },
            &job);
        const bool ok = std::all_of(done.begin(), done.end(), [](char d) { return d != 0; }) &&
                        JoinJpegStrips(out, rest, frame.height);
        if (!ok) out.clear();
        return ok;
    }
    catch (const std::bad_alloc&)
    {
        out.clear();
        return false;
    }
}
} // namespace imaging::detail
