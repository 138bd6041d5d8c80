#include "TestImages.h"

#include "imagelib/FCDibBlock.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cstring>

// The offscreen platform keeps the clipboard inside the process, which is what these tests use.

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

    // Other programs get a plain top-down image with the same straight colours.
    const QImage plain = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(plain.isNull());
    const BYTE* p = image.PixelAddress(3, 0);
    const QRgb q = plain.convertToFormat(QImage::Format_ARGB32).pixel(3, 0);
    EXPECT_EQ(qBlue(q), p[0]);
    EXPECT_EQ(qGreen(q), p[1]);
    EXPECT_EQ(qRed(q), p[2]);
    EXPECT_EQ(qAlpha(q), p[3]);
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
    SetClipboardBitmap(QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())),
                       QImage());
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
