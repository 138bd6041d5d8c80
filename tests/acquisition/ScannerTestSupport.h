// What the scanner tests share: the test configuration of SANE (the test backend only) and of
// our manager (with the scripted source), answers to the scanner dialogs, event pumping with a
// time limit, and scanimage as the oracle of the pixels.
#pragma once

#include "FakeTwainSource.h"

#include "acquisition/CScannerWindow.h"
#include "imagelib/FCObjImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scantest
{
// SANE keeps the configuration folder it found first for the life of the process (it reads the
// files in it again at every start): the tests have one folder of their own, made at load time
// from tests/sane.d, whose files each test may rewrite.
inline std::string SaneDir()
{
    static const std::string dir = []
    {
        char pattern[] = "/tmp/orvalis-sane-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

inline std::string ReadFile(const std::string& path)
{
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "r"))
    {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

// Set before anything starts SANE or loads the manager.
struct Environment
{
    Environment()
    {
        WriteFile(SaneDir() + "/dll.conf", ReadFile(ORVALIS_TEST_SANE_DIR "/dll.conf"));
        WriteFile(SaneDir() + "/test.conf", ReadFile(ORVALIS_TEST_SANE_DIR "/test.conf"));
        setenv("SANE_CONFIG_DIR", SaneDir().c_str(), 1);
        setenv("ORVALIS_TWAIN_DSM", ORVALIS_TEST_DSM, 1);
        setenv("ORVALIS_TWAIN_SOURCES", ORVALIS_TEST_FAKE_SOURCE, 1);
        // SANE unloads its test backend at every stop, with the blocks the backend still holds
        // in its own globals; kept loaded, those stay reachable and the leak checker sees only
        // what our code loses.
        dlopen(ORVALIS_SANE_TEST_BACKEND, RTLD_NOW | RTLD_NODELETE);
    }
    ~Environment()
    {
        std::remove((SaneDir() + "/dll.conf").c_str());
        std::remove((SaneDir() + "/test.conf").c_str());
        rmdir(SaneDir().c_str());
    }
};
inline Environment g_environment;

// The scripted source's state: the instance our manager loads.
inline FakeScript& Fake()
{
    static void* module = dlopen(ORVALIS_TEST_FAKE_SOURCE, RTLD_NOW);
    static auto proc =
        reinterpret_cast<FakeSourceScriptProc>(module ? dlsym(module, "FakeSourceScript") : nullptr);
    return *proc();
}

// The SANE configuration of one test: the test backend with these lines in test.conf (after the
// defaults of tests/sane.d), or no backend at all; the defaults come back afterwards.
class SaneConfig
{
public:
    explicit SaneConfig(const std::vector<std::string>& lines, bool noBackend = false)
    {
        WriteFile(SaneDir() + "/dll.conf",
                  noBackend ? std::string() : ReadFile(ORVALIS_TEST_SANE_DIR "/dll.conf"));
        std::string conf = ReadFile(ORVALIS_TEST_SANE_DIR "/test.conf");
        for (const std::string& line : lines)
            conf += line + "\n";
        WriteFile(SaneDir() + "/test.conf", conf);
    }
    ~SaneConfig()
    {
        WriteFile(SaneDir() + "/dll.conf", ReadFile(ORVALIS_TEST_SANE_DIR "/dll.conf"));
        WriteFile(SaneDir() + "/test.conf", ReadFile(ORVALIS_TEST_SANE_DIR "/test.conf"));
    }
    QString Dir() const { return QString::fromStdString(SaneDir()); }
};

// Answers the scanner dialogs: the first list item holding `pick`, the settings given, and the
// panel's client kept for the test to press its buttons.
class ScriptedScannerDialogs : public IScannerDialogHandler
{
public:
    ScriptedScannerDialogs() { m_old = SetScannerDialogHandler(this); }
    ~ScriptedScannerDialogs() override { SetScannerDialogHandler(m_old); }

    int ChooseFromList(const std::string&, const std::vector<std::string>& items, int) override
    {
        lists.push_back(items);
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].find(pick) != std::string::npos) return int(i);
        return -1;
    }
    bool AskScanSettings(const scanner::ScanCapabilities& c, scanner::ScanSettings& s) override
    {
        caps = c;
        ++asked;
        if (!settings) return false;
        s = *settings;
        return true;
    }
    void PanelOpened(const scanner::ScanCapabilities& c, const scanner::ScanSettings&,
                     scanner::IScanPanelClient* client) override
    {
        caps = c;
        panel = client;
        ++opened;
    }
    void PanelClosed(scanner::IScanPanelClient* client) override
    {
        if (panel == client) panel = nullptr;
        ++closed;
    }
    void Message(const std::string& text) override { messages.push_back(text); }

    std::string pick = "test:0";
    std::optional<scanner::ScanSettings> settings;
    std::vector<std::vector<std::string>> lists;
    scanner::ScanCapabilities caps;
    scanner::IScanPanelClient* panel = nullptr;
    int opened = 0;
    int closed = 0;
    int asked = 0;
    std::vector<std::string> messages;

private:
    IScannerDialogHandler* m_old = nullptr;
};

// Runs the events until the condition holds; false after the time limit.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done())
    {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

inline void Settle()
{
    for (int i = 0; i < 5; ++i)
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A portable anymap: P4 (1 = black), P5 or P6.
struct Pnm
{
    int kind = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> data;
    // R, G, B of a pixel.
    void Rgb(int x, int y, std::uint8_t out[3]) const
    {
        if (kind == 6)
        {
            const std::uint8_t* p = data.data() + (std::size_t(y) * width + x) * 3;
            out[0] = p[0], out[1] = p[1], out[2] = p[2];
        }
        else if (kind == 5)
            out[0] = out[1] = out[2] = data[std::size_t(y) * width + x];
        else
        {
            const std::size_t row = (std::size_t(width) + 7) / 8;
            const bool black = (data[std::size_t(y) * row + std::size_t(x) / 8] >> (7 - x % 8)) & 1;
            out[0] = out[1] = out[2] = black ? 0 : 255;
        }
    }
};

// The device's page as scanimage gives it for the same options.
inline bool ScanImage(const QString& configDir, const QStringList& options, Pnm& out, int page = 0)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SANE_CONFIG_DIR"), configDir);
    process.setProcessEnvironment(env);
    QTemporaryDir dir;
    QStringList args{QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")};
    args += options;
    if (page > 0)
        args << QStringLiteral("--batch=%1/p%d.pnm").arg(dir.path())
             << QStringLiteral("--batch-count=%1").arg(page);
    process.start(QStringLiteral(ORVALIS_SCANIMAGE), args);
    if (!process.waitForFinished(20000)) return false;
    QByteArray bytes = process.readAllStandardOutput();
    if (page > 0)
    {
        QFile f(dir.filePath(QStringLiteral("p%1.pnm").arg(page)));
        if (!f.open(QIODevice::ReadOnly)) return false;
        bytes = f.readAll();
    }
    // Header: magic, then width, height (and maxval except for P4), comments skipped.
    int pos = 0;
    auto token = [&]() -> QByteArray
    {
        for (;;)
        {
            while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos])))
                ++pos;
            if (pos < bytes.size() && bytes[pos] == '#')
            {
                while (pos < bytes.size() && bytes[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        const int start = pos;
        while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        return bytes.mid(start, pos - start);
    };
    const QByteArray magic = token();
    out.kind = magic == "P6" ? 6 : magic == "P5" ? 5 : magic == "P4" ? 4 : 0;
    out.width = token().toInt();
    out.height = token().toInt();
    if (out.kind != 4) token();
    ++pos;
    out.data.assign(bytes.begin() + pos, bytes.end());
    const std::size_t rowBytes = out.kind == 6   ? std::size_t(out.width) * 3
                                 : out.kind == 5 ? std::size_t(out.width)
                                                 : (std::size_t(out.width) + 7) / 8;
    return out.kind != 0 && out.data.size() >= rowBytes * std::size_t(out.height);
}

// Every pixel of the image equals the anymap's.
inline ::testing::AssertionResult SamePixels(const FCObjImage& image, const Pnm& pnm)
{
    if (image.Width() != pnm.width || image.Height() != pnm.height)
        return ::testing::AssertionFailure() << "size " << image.Width() << "x" << image.Height()
                                             << " against " << pnm.width << "x" << pnm.height;
    for (int y = 0; y < pnm.height; ++y)
        for (int x = 0; x < pnm.width; ++x)
        {
            std::uint8_t want[3];
            pnm.Rgb(x, y, want);
            std::uint8_t got[3];
            const BYTE* p = image.PixelAddress(x, y);
            if (image.ColorBits() == 8)
            {
                const RGBQUAD& q = image.PaletteEntries()[*p];
                got[0] = q.rgbRed, got[1] = q.rgbGreen, got[2] = q.rgbBlue;
            }
            else
                got[0] = p[2], got[1] = p[1], got[2] = p[0];
            if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2])
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int(got[0]) << "," << int(got[1]) << ","
                       << int(got[2]) << " not " << int(want[0]) << "," << int(want[1]) << ","
                       << int(want[2]);
        }
    return ::testing::AssertionSuccess();
}

// scanimage's options for our settings.
inline QStringList ScanOptions(const scanner::ScanSettings& s)
{
    QStringList o;
    o << QStringLiteral("--mode")
      << (s.mode == scanner::ScanMode::Color ? QStringLiteral("Color") : QStringLiteral("Gray"));
    o << QStringLiteral("--depth")
      << (s.mode == scanner::ScanMode::BlackWhite ? QStringLiteral("1") : QStringLiteral("8"));
    o << QStringLiteral("--resolution") << QString::number(s.resolution);
    o << QStringLiteral("--source")
      << (s.feeder ? QStringLiteral("Automatic Document Feeder") : QStringLiteral("Flatbed"));
    return o;
}
} // namespace scantest
