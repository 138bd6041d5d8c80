#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

// The sample image the program opens when started with no file: a 32-bit chart whose
// transparent area really is transparent.
TEST(SampleImage, LoadsWithItsTransparentArea)
{
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    FCObjImage image;
    FCImageProperty prop;
    ASSERT_TRUE(image.Load(Utf8ToWide(ORVALIS_SOURCE_DIR "/resources/samples/sample.png").c_str(), &prop));
    EXPECT_EQ(image.Width(), 480);
    EXPECT_EQ(image.Height(), 360);
    ASSERT_EQ(image.ColorBits(), 32);
    EXPECT_EQ(image.PixelAddress(0, 0)[3], 255);
    EXPECT_EQ(image.PixelAddress(370, 270)[3], 0);  // the hole
    EXPECT_LT(image.PixelAddress(470, 200)[3], 20); // the fading edge
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
}
