#include "TestImages.h"

#include "imagelib/FCDibBlock.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/BackgroundJob.h"
#include "platform/qt/Clipboard.h"
#include "platform/imaging/DibBlockPng.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

// The offscreen platform keeps the clipboard inside the process, which is what these tests use.

namespace
{
// The PNG form of what the clipboard holds, once the helper thread has made it.
QByteArray WaitForPng()
{
    for (int i = 0; i < 2000; ++i)
    {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->hasFormat(QStringLiteral("image/png")))
            return data->data(QStringLiteral("image/png"));
        QTest::qWait(5);
    }
    return {};
}

QByteArray BlockOf(const FCObjImage& image)
{
    const std::vector<BYTE> block = BuildDibBlock(image);
    return QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
}
} // namespace

TEST(ImageClipboard, ThirtyTwoBitsRoundTripKeepsEveryAlphaByte)
{
    const FCObjImage image = testimg::Varied(7, 5, 32);
    CopyToClipboard(image);
    const ClipboardState state = GetClipboardState();
    EXPECT_TRUE(state.hasAny);
    EXPECT_TRUE(state.hasImage);

    FCObjImage back = testimg::Varied(2, 2, 24);
    ASSERT_TRUE(PasteFromClipboard(back));
    EXPECT_TRUE(testimg::SamePixels(back, image));

    // Other programs get a PNG, top-down, with the same straight colours and alpha.
    const QImage plain = QImage::fromData(WaitForPng(), "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(plain.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
        {
            const BYTE* p = image.PixelAddress(x, y);
            const QRgb q = plain.pixel(x, y);
            ASSERT_EQ(std::vector<int>({qBlue(q), qGreen(q), qRed(q), qAlpha(q)}),
                      std::vector<int>({p[0], p[1], p[2], p[3]}))
                << x << "," << y;
        }
}

TEST(ImageClipboard, TheBitmapBlockIsThereAtOnceAndThePngFollowsTheLatestCopyOnly)
{
    // A big copy whose PNG is still being made when a small one replaces it.
    const FCObjImage big = testimg::Varied(1500, 1000, 24);
    const FCObjImage small = testimg::Varied(3, 2, 24);
    SetClipboardBitmap(BlockOf(big));
    const QMimeData* first = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->hasFormat(QStringLiteral("image/bmp"))) << "no waiting for the bitmap block";
    EXPECT_EQ(first->data(QStringLiteral("image/bmp")).mid(14), BlockOf(big));
    EXPECT_EQ(first->formats(), QStringList{QStringLiteral("image/bmp")})
        << "nothing is offered that would be converted on the user-interface thread";
    CopyToClipboard(small);
    const QImage png = QImage::fromData(WaitForPng(), "PNG").convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(png.size(), QSize(3, 2));
    const BYTE* p = small.PixelAddress(2, 1);
    const QRgb q = png.pixel(2, 1);
    EXPECT_EQ(std::vector<int>({qBlue(q), qGreen(q), qRed(q)}), std::vector<int>({p[0], p[1], p[2]}));
    // Nothing of the older copy arrives later.
    QTest::qWait(50);
    EXPECT_EQ(
        QImage::fromData(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png"))).size(),
        QSize(3, 2));
}

namespace
{
// Holds the first PNG made after Arm on its thread, between its encoding and its hand-over,
// until released (or 20 s have gone by, so that a wait on it fails rather than hangs).
struct HeldEncoding
{
    static inline std::atomic<int> calls{0};
    static inline std::atomic<bool> held{false}, release{false}, timedOut{false}, left{false};

    static void Arm()
    {
        calls = 0;
        held = release = timedOut = left = false;
        SetClipboardPngEncodedHookForTesting(Hook);
    }
    static void Hook()
    {
        if (calls.fetch_add(1) != 0) return;
        held = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!release && !(timedOut = std::chrono::steady_clock::now() > limit))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        left = true;
    }
};

// Lets the event loop run until every PNG encoding has returned, then delivers what they posted.
bool WaitUntilEncodingsEnd()
{
    for (int i = 0; i < 20000 && !ClipboardPngJobsIdleForTesting(); ++i)
        QTest::qWait(1);
    QCoreApplication::sendPostedEvents();
    return ClipboardPngJobsIdleForTesting();
}

QSize PngSizeOnTheClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QStringLiteral("image/png"))) return {};
    return QImage::fromData(data->data(QStringLiteral("image/png")), "PNG").size();
}
} // namespace

// What replaces a copy whose PNG form is still on its way (here made, but held before it is
// handed over) never waits for it, and that PNG never joins what the clipboard holds next.
TEST(ImageClipboard, ANewerCopyOrAnEmptyingNeverWaitsForTheOlderPng)
{
    const FCObjImage older = testimg::Varied(5, 4, 24), newer = testimg::Varied(3, 2, 24);
    for (const bool empty : {false, true})
    {
        SCOPED_TRACE(empty ? "emptied" : "copied again");
        HeldEncoding::Arm();
        SetClipboardBitmap(BlockOf(older));
        for (int i = 0; i < 20000 && !HeldEncoding::held; ++i)
            QTest::qWait(1);
        ASSERT_TRUE(HeldEncoding::held);

        if (empty)
            EmptyClipboard();
        else
            SetClipboardBitmap(BlockOf(newer));
        EXPECT_FALSE(HeldEncoding::left) << "the user-interface thread waited for the older encoding";
        if (!empty)
        {
            EXPECT_EQ(GetClipboardBitmapBlock(), BlockOf(newer)) << "the bitmap block is there at once";
            EXPECT_EQ(QImage::fromData(WaitForPng(), "PNG").size(), QSize(3, 2));
        }

        HeldEncoding::release = true;
        ASSERT_TRUE(WaitUntilEncodingsEnd());
        EXPECT_FALSE(HeldEncoding::timedOut);
        EXPECT_EQ(PngSizeOnTheClipboard(), empty ? QSize() : QSize(3, 2)) << "the older PNG arrived";
        EXPECT_EQ(GetClipboardState().hasAny, !empty);
    }
    SetClipboardPngEncodedHookForTesting(nullptr);
}

// No thread for the PNG form: the copy is served as its bitmap block alone, and the next copy
// gets its PNG again.
TEST(ImageClipboard, ACopyWhoseEncodingThreadIsRefusedKeepsItsBitmapBlock)
{
    const FCObjImage image = testimg::Varied(4, 3, 32);
    CBackgroundJob::SetStartHookForTesting(
        [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    SetClipboardBitmap(BlockOf(image));
    CBackgroundJob::SetStartHookForTesting(nullptr);
    EXPECT_EQ(GetClipboardBitmapBlock(), BlockOf(image));
    ASSERT_TRUE(WaitUntilEncodingsEnd());
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("image/bmp")});

    SetClipboardBitmap(BlockOf(image));
    EXPECT_EQ(QImage::fromData(WaitForPng(), "PNG").size(), QSize(4, 3));
}

TEST(ImageClipboard, PngFormOfBlocks)
{
    std::vector<BYTE> png;
    for (int bpp : {24, 32})
    {
        const FCObjImage image = testimg::Varied(5, 3, bpp);
        const std::vector<BYTE> block = BuildDibBlock(image);
        ASSERT_TRUE(EncodeDibBlockAsPng(block.data(), block.size(), png)) << bpp;
        const QImage back = QImage::fromData(png.data(), int(png.size()), "PNG");
        EXPECT_EQ(back.hasAlphaChannel(), bpp == 32);
        const BYTE* p = image.PixelAddress(4, 0);
        const QRgb q = back.convertToFormat(QImage::Format_ARGB32).pixel(4, 0);
        EXPECT_EQ(std::vector<int>({qBlue(q), qGreen(q), qRed(q)}), std::vector<int>({p[0], p[1], p[2]}));
    }

    // What is refused: another depth, a top-down block, missing rows, a stopped encoding.
    FCObjImage grey;
    ASSERT_TRUE(grey.Create(4, 4, 8));
    std::vector<BYTE> block = BuildDibBlock(grey); // goes out at 24 bits
    BITMAPINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    h.biBitCount = 8;
    std::memcpy(block.data(), &h, sizeof h);
    EXPECT_FALSE(EncodeDibBlockAsPng(block.data(), block.size(), png));
    block = BuildDibBlock(testimg::Varied(4, 4, 24));
    const LONG negative = -4;
    std::memcpy(block.data() + 8, &negative, 4);
    EXPECT_FALSE(EncodeDibBlockAsPng(block.data(), block.size(), png));
    block = BuildDibBlock(testimg::Varied(4, 4, 24));
    EXPECT_FALSE(EncodeDibBlockAsPng(block.data(), block.size() - 1, png));
    const std::atomic<bool> stopped{true};
    EXPECT_FALSE(EncodeDibBlockAsPng(block.data(), block.size(), png, &stopped));
    EXPECT_TRUE(png.empty());
}

TEST(ImageClipboard, EightBitImageGoesOutAsTwentyFourAndStaysEightBits)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(3, 2, 8));
    image.PixelAddress(1, 1)[0] = 77;
    CopyToClipboard(image);
    EXPECT_EQ(image.ColorBits(), 8);
    const QByteArray block = GetClipboardBitmapBlock();
    ASSERT_GE(block.size(), 40);
    BITMAPINFOHEADER h;
    std::memcpy(&h, block.constData(), sizeof h);
    EXPECT_EQ(h.biBitCount, 24);

    // A 24-bit block is not taken raw: the picture comes through the generic route at 24 bits.
    FCObjImage back;
    ASSERT_TRUE(PasteFromClipboard(back));
    EXPECT_EQ(back.ColorBits(), 24);
    const BYTE grey[3] = {77, 77, 77};
    EXPECT_EQ(std::memcmp(back.PixelAddress(1, 1), grey, 3), 0);
}

TEST(ImageClipboard, PictureOfAnotherProgramBecomesTwentyFourBitsWithoutAlpha)
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(200, 100, 50, 10));
    picture.setPixel(1, 0, qRgba(1, 2, 3, 255));
    QGuiApplication::clipboard()->setImage(picture);
    FCObjImage back;
    ASSERT_TRUE(PasteFromClipboard(back));
    ASSERT_EQ(back.ColorBits(), 24);
    const BYTE first[3] = {50, 100, 200}, second[3] = {3, 2, 1};
    EXPECT_EQ(std::memcmp(back.PixelAddress(0, 0), first, 3), 0);
    EXPECT_EQ(std::memcmp(back.PixelAddress(1, 0), second, 3), 0);
}

TEST(ImageClipboard, NothingUsableGivesFalseAndAnEmptyImage)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("du texte"));
    ClipboardState state = GetClipboardState();
    EXPECT_TRUE(state.hasAny);
    EXPECT_FALSE(state.hasImage);
    FCObjImage image = testimg::Varied(2, 2, 24);
    EXPECT_FALSE(PasteFromClipboard(image));
    EXPECT_FALSE(image.HasBits());

    EmptyClipboard();
    state = GetClipboardState();
    EXPECT_FALSE(state.hasAny);
    EXPECT_FALSE(state.hasImage);
    EXPECT_FALSE(PasteFromClipboard(image));

    // A top-down 32-bit block is refused outright.
    std::vector<BYTE> block = BuildDibBlock(testimg::Varied(2, 2, 32));
    const LONG negative = -2;
    std::memcpy(block.data() + 8, &negative, 4);
    SetClipboardBitmap(QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
    EXPECT_FALSE(PasteFromClipboard(image));
    EXPECT_FALSE(image.HasBits());
}

TEST(ImageClipboard, ShortBlockIsNotReadBeyondItsEnd)
{
    // A block that claims more rows than it holds falls back to the picture Qt can decode, if any.
    std::vector<BYTE> block = BuildDibBlock(testimg::Varied(4, 4, 32));
    block.resize(block.size() - 5);
    auto* data = new QMimeData;
    QByteArray bytes("BM");
    bytes.append(QByteArray(12, '\0'));
    bytes.append(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
    data->setData(QStringLiteral("image/bmp"), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    FCObjImage image;
    EXPECT_FALSE(PasteFromClipboard(image) && image.ColorBits() == 32);
}
