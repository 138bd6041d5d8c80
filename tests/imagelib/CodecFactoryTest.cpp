#include "TestImages.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"

#include <gtest/gtest.h>

#include <memory>

TEST(CodecFactory, FileNameToType)
{
    FCImageCodecFactory_Gdiplus base;
    CImageCodecFactory app;
    struct Case
    {
        const wchar_t* name;
        int base, app;
    } cases[] = {
        {L"a.b/photo.JPG", 3, 3}, {L"dir.png/file", 0, 0}, {L"x.targa", 0, 5},
        {L"x.qlb", 11, 0},        {L"x.", 0, 0},           {nullptr, 0, 0},
        {L"X.TIFF", 6, 6},        {L"a.JfIf", 3, 3},       {L"x.pict", 0, 12},
        {L"x.jpgx", 0, 0},        {L"x.jp", 0, 0},         {L"noext", 0, 0},
        {L"x.bmp", 1, 1},         {L"x.pcx", 2, 2},        {L"x.gif", 4, 4},
        {L"x.tga", 5, 5},         {L"x.png", 7, 7},        {L"x.psd", 8, 8},
        {L"x.ICO", 9, 9},         {L"x.xpm", 10, 10},      {L"x.ppm", 0, 12},
        {L"x.jpe", 3, 3},         {L"x.tar.gz", 0, 0},     {L"x.\u00c9PS", 0, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(FCImageCodecFactory::GetImageTypeFromFileName(c.name), c.base)
            << (c.name ? c.name : L"(null)");
        EXPECT_EQ(base.QueryImageFileType(c.name), c.base);
        EXPECT_EQ(app.QueryImageFileType(c.name), c.app) << (c.name ? c.name : L"(null)");
    }
}

TEST(CodecFactory, TypeToCodec)
{
    FCImageCodecFactory_Gdiplus base;
    CImageCodecFactory app;
    // 0: no codec, 1: the platform codec, 2: FreeImage.
    auto kind = [](FCImageCodec* codec)
    {
        std::unique_ptr<FCImageCodec> owned(codec);
        if (!codec) return 0;
        if (dynamic_cast<FCImageCodec_Gdiplus*>(codec)) return 1;
        return dynamic_cast<FCImageCodec_FreeImage*>(codec) ? 2 : -1;
    };
    const int p = 1;
    EXPECT_EQ(kind(CreatePlatformImageCodec()), p);
    for (int type : {1, 3, 4, 7})
    {
        EXPECT_EQ(kind(base.CreateImageCodec(type)), p) << type;
        EXPECT_EQ(kind(app.CreateImageCodec(type)), p) << type;
    }
    for (int type : {6, 9})
    {
        EXPECT_EQ(kind(base.CreateImageCodec(type)), p) << type;
        EXPECT_EQ(kind(app.CreateImageCodec(type)), 2) << type;
    }
    for (int type : {0, 2, 5, 8, 10, 11, 12})
    {
        EXPECT_EQ(kind(base.CreateImageCodec(type)), 0) << type;
        EXPECT_EQ(kind(app.CreateImageCodec(type)), 2) << type;
    }
    for (int type : {13, -1, 1000})
    {
        EXPECT_EQ(kind(base.CreateImageCodec(type)), 0) << type;
        EXPECT_EQ(kind(app.CreateImageCodec(type)), 0) << type;
    }
}

namespace
{
int g_factoriesDeleted = 0;
int g_codecsCreated = 0;

class FakeCodec : public FCImageCodec
{
public:
    bool LoadImageFile(const wchar_t*, std::vector<FCObjImage*>& frames, FCImageProperty* prop) override
    {
        EXPECT_EQ(prop->saveParameter, -1); // reset before the load
        EXPECT_TRUE(prop->rawItems.empty());
        for (int i = 0; i < 3; ++i)
            frames.push_back(new FCObjImage(testimg::Flat(2 + i, 2, 24, BYTE(i), 0, 0)));
        prop->frameDelays = {10, 20, 30};
        return true;
    }
};

class FakeFactory : public FCImageCodecFactory
{
public:
    ~FakeFactory() override { ++g_factoriesDeleted; }
    FCImageCodec* CreateImageCodec(int) override
    {
        ++g_codecsCreated;
        return new FakeCodec;
    }
};

// Puts the default factory back when a test ends.
struct FactoryRestorer
{
    ~FactoryRestorer() { FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus); }
};
} // namespace

TEST(CodecFactory, HolderDeletesThePreviousFactoryOnce)
{
    FactoryRestorer restore;
    // The holder starts with the default factory.
    EXPECT_NE(dynamic_cast<FCImageCodecFactory_Gdiplus*>(FCObjImage::GetCodecFactory()), nullptr);
    auto* first = new FakeFactory;
    FCObjImage::SetCodecFactory(first);
    EXPECT_EQ(FCObjImage::GetCodecFactory(), first);
    g_factoriesDeleted = 0;
    FCObjImage::SetCodecFactory(first);
    EXPECT_EQ(g_factoriesDeleted, 0);
    FCObjImage::SetCodecFactory(nullptr); // ignored
    EXPECT_EQ(FCObjImage::GetCodecFactory(), first);
    FCObjImage::SetCodecFactory(new FakeFactory);
    EXPECT_EQ(g_factoriesDeleted, 1);
}

TEST(CodecFactory, LoadKeepsTheFirstFrameAndResetsTheRecord)
{
    FactoryRestorer restore;
    FCObjImage::SetCodecFactory(new FakeFactory);
    FCObjImage image = testimg::Varied(9, 9, 32);
    FCImageProperty prop;
    prop.saveParameter = 80;
    prop.rawItems = {"stale"};
    ASSERT_TRUE(image.Load(L"whatever.xyz", &prop));
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.ColorBits(), 24);
    EXPECT_EQ(image.PixelAddress(0, 0)[0], 0);
    EXPECT_EQ(prop.frameDelays, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(prop.saveParameter, -1);

    g_codecsCreated = 0;
    FCObjImage empty;
    EXPECT_FALSE(empty.Save(L"out.png", prop));
    EXPECT_EQ(g_codecsCreated, 0);
}

TEST(CodecFactory, DefaultFactoryHasNoCodecForPsd)
{
    FactoryRestorer restore;
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
    FCObjImage image = testimg::Varied(2, 2, 24);
    FCImageProperty prop;
    prop.saveParameter = 5;
    EXPECT_FALSE(image.Load(L"/tmp/anything.psd", &prop));
    EXPECT_EQ(image.Width(), 2); // old content kept
    EXPECT_EQ(prop.saveParameter, -1);
    EXPECT_FALSE(image.Save(L"/tmp/anything.psd", prop));
}
