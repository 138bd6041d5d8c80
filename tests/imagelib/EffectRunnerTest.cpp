// The command-line effect runner, run as a program: what it prints, what it writes, and how it
// answers bad input.
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
struct Outcome
{
    int exitCode = -1; // -1 when the runner did not exit normally (a crash)
    std::string out, err;
};

std::string Read(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        lines.push_back(line);
    return lines;
}

class EffectRunner : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) / ("orvalis-fx-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome Run(const std::string& arguments) const
    {
        const std::string command = std::string(ORVALIS_FX) + " " + arguments + " >" +
                                    (dir / "out").string() + " 2>" + (dir / "err").string();
        const int status = std::system(command.c_str());
        Outcome o;
        if (status != -1 && WIFEXITED(status)) o.exitCode = WEXITSTATUS(status);
        o.out = Read(dir / "out");
        o.err = Read(dir / "err");
        return o;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    const std::string sample = ORVALIS_SOURCE_DIR "/resources/samples/sample.png";
};
} // namespace

TEST_F(EffectRunner, ListsTheRegisteredEffectsWithTheirArguments)
{
    const Outcome o = Run("--list");
    EXPECT_EQ(o.exitCode, 0);
    const auto lines = Lines(o.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "FCEffectMirror"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "FCEffectLosange dx dy"), lines.end());
}

TEST_F(EffectRunner, AppliesAnEffectOnBandsAndWritesATiffTheLibraryReadsBack)
{
    const Outcome o = Run("--threads 3 --repeat 3 " + sample + " " + Path("out.tif") + " FCEffectMirror");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const auto err = Lines(o.err);
    ASSERT_EQ(err.size(), 1u) << o.err;
    EXPECT_EQ(err[0].rfind("FCEffectMirror threads=3 size=480x360x32 median=", 0), 0u) << err[0];
    EXPECT_NE(err[0].find(" ms"), std::string::npos) << err[0];

    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    FCObjImage source, mirrored;
    FCImageProperty prop;
    ASSERT_TRUE(source.Load(Utf8ToWide(sample).c_str(), &prop));
    ASSERT_TRUE(mirrored.Load(Utf8ToWide(Path("out.tif")).c_str(), &prop));
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
    ASSERT_EQ(mirrored.Width(), 480);
    ASSERT_EQ(mirrored.Height(), 360);
    ASSERT_EQ(mirrored.ColorBits(), 32);
    for (int y : {0, 200, 359})
        for (int x : {0, 17, 479})
            EXPECT_EQ(std::memcmp(mirrored.PixelAddress(x, y), source.PixelAddress(479 - x, y), 4), 0)
                << x << "," << y;

    const Outcome info = Run("--info " + Path("out.tif"));
    EXPECT_EQ(info.exitCode, 0);
    const auto lines = Lines(info.out);
    ASSERT_GE(lines.size(), 3u) << info.out;
    EXPECT_EQ(lines[0], "frames: 1");
    EXPECT_EQ(lines[1], "frame 0: 480 x 360, 32 bpp");
    EXPECT_EQ(lines[2], "save parameter: -1");
}

TEST_F(EffectRunner, NoneOnlyLoadsAndSaves)
{
    const Outcome o = Run(sample + " " + Path("copy.png") + " none");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(Lines(o.err).size(), 1u);
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    FCObjImage a, b;
    FCImageProperty prop;
    ASSERT_TRUE(a.Load(Utf8ToWide(sample).c_str(), &prop));
    ASSERT_TRUE(b.Load(Utf8ToWide(Path("copy.png")).c_str(), &prop));
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
    ASSERT_EQ(a.ColorBits(), b.ColorBits());
    for (int y = 0; y < a.Height(); ++y)
        ASSERT_EQ(std::memcmp(a.RowAddress(y), b.RowAddress(y), std::size_t(a.Width()) * 4), 0) << y;
}

TEST_F(EffectRunner, BadInputGivesOneLineAndAFailingExit)
{
    std::ofstream(Path("garbage.png")) << "not an image";
    const std::string out = Path("never.png");
    const std::string cases[] = {
        Path("missing.png") + " " + out + " FCEffectFlip",
        Path("garbage.png") + " " + out + " FCEffectFlip",
        sample + " " + out + " FCEffectNoSuchThing",
        sample + " " + out + " FCEffectLosange 10",
        sample + " " + out + " FCEffectLosange 10 ten",
        sample + " " + out + " FCEffectRotate 0.5 0x1FFFFFFFF",
        sample + " " + out + " none 3",
        "--threads 0 " + sample + " " + out + " FCEffectFlip",
        "--threads 9 " + sample + " " + out + " FCEffectFlip",
        "--repeat x " + sample + " " + out + " FCEffectFlip",
        "--info " + Path("missing.png"),
        sample + " " + out,
        "--unknown-option",
    };
    for (const std::string& arguments : cases)
    {
        const Outcome o = Run(arguments);
        EXPECT_GT(o.exitCode, 0) << arguments;
        EXPECT_EQ(Lines(o.err).size(), 1u) << arguments << "\n" << o.err;
    }
    EXPECT_FALSE(fs::exists(out));

    // A save that fails comes after the run's timing line.
    const std::string nowhere = Path("no-folder/out.png");
    const Outcome o = Run(sample + " " + nowhere + " FCEffectFlip");
    EXPECT_GT(o.exitCode, 0);
    const auto lines = Lines(o.err);
    ASSERT_EQ(lines.size(), 2u) << o.err;
    EXPECT_EQ(lines[1], "orvalis-fx: cannot save " + nowhere);
}
