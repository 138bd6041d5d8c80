#include "shell/RecentFileList.h"
#include "shell/ShellText.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ShellText, StatusPanes)
{
    EXPECT_EQ(CursorPaneText(5, 7), QStringLiteral("(5, 7)"));
    EXPECT_EQ(CursorPaneText(-1, 3), QString());
    EXPECT_EQ(CursorPaneText(3, -1), QString());
    EXPECT_EQ(SelectionPaneText(0, 9 | 4 << 16), QStringLiteral("1,1 -> 10,5"));
    EXPECT_EQ(SelectionPaneText(1310730, 2621490), QStringLiteral("11,21 -> 51,41"));
    EXPECT_EQ(SelectionPaneText(-1, 5), QString());
    EXPECT_EQ(SelectionPaneText(5, -1), QString());
}

TEST(ShellText, AboutBox)
{
    EXPECT_EQ(AboutVersionLine("Orvalis 5", "5.0.0.0"), QStringLiteral("Orvalis 5 5.0.0.0    64 bits"));
    EXPECT_EQ(AboutVersionLine("", ""), QStringLiteral("     64 bits"));
    EXPECT_EQ(AboutMemoryText(2ull << 30, 8ull << 30), QStringLiteral("2048 M libre / 8192 M total"));
    EXPECT_EQ(AboutDiskText("", 3ull << 20), QStringLiteral(" 3 M libre"));
    EXPECT_EQ(AboutDiskText("C:", (5ull << 20) + 1000), QStringLiteral("C: 5 M libre"));
    struct Case
    {
        const char* folder;
        const char* label;
    };
    const Case labels[] = {{"C:\\x", "C:"},  {"\\\\srv\\share\\d", "\\\\srv"},
                           {"\\\\", "\\\\"}, {":x", ""},
                           {"/home/u", ""},  {"", ""}};
    for (const Case& c : labels)
        EXPECT_EQ(DiskLabel(QString::fromLatin1(c.folder)), QString::fromLatin1(c.label)) << c.folder;
}

TEST(ShellText, CommandLineArguments)
{
    auto none = [](const QString&) { return false; };
    EXPECT_EQ(CleanArgument("\"/home/u/a b.png\"", none), QStringLiteral("/home/u/a b.png"));
    EXPECT_EQ(CleanArgument("a\"b.png", none), QStringLiteral("ab.png"));
    // A file whose name really holds a double quote is opened as named.
    auto quoted = [](const QString& p) { return p == QStringLiteral("a\"b.png"); };
    EXPECT_EQ(CleanArgument("a\"b.png", quoted), QStringLiteral("a\"b.png"));
}

TEST(ShellText, LastDirectory)
{
    EXPECT_EQ(LastDirectoryOf("/a/b/c.png", "/x"), QStringLiteral("/a/b"));
    EXPECT_EQ(LastDirectoryOf("c.png", "/x"), QStringLiteral("/x"));
    EXPECT_EQ(LastDirectoryOf("/a.png", "/x"), QStringLiteral("/"));
}

TEST(ShellText, OpenDialogPreview)
{
    struct Case
    {
        const char* path;
        bool excluded;
    };
    const Case cases[] = {{"a.zip", true},     {"a.ZIP", true},   {"a.exe", true},  {"a.dll", true},
                          {"a.rar", true},     {"a.zipx", false}, {"noext", false}, {"a.tar.gz", false},
                          {"/d.zip/x", false}, {"", true}};
    for (const Case& c : cases)
        EXPECT_EQ(IsExcludedFromPreview(QString::fromLatin1(c.path)), c.excluded) << c.path;

    EXPECT_EQ(PreviewWidthText(640), QStringLiteral("Largeur :  640 pixels"));
    EXPECT_EQ(PreviewHeightText(48), QStringLiteral("Hauteur :   48 pixels"));
    EXPECT_EQ(PreviewFormatText(24), QStringLiteral("Format  : 24 bits/pixel"));
    EXPECT_EQ(PreviewFormatText(8), QStringLiteral("Format  :  8 bits/pixel"));
    EXPECT_EQ(PreviewSizeText(5000), QStringLiteral("Taille     : 5000 octets"));
    EXPECT_EQ(PreviewSizeText(10240), QStringLiteral("Taille     : 10240 octets"));
    EXPECT_EQ(PreviewSizeText(10241), QStringLiteral("Taille     : 10 Koctets"));
    EXPECT_EQ(PreviewSizeText(20000), QStringLiteral("Taille     : 19 Koctets"));
    EXPECT_EQ(PreviewSizeText(5ll << 32), QStringLiteral("Taille     : 20971520 Koctets")) << "64-bit sizes";
    EXPECT_EQ(PreviewTypeName(0), QStringLiteral("unknown"));
    EXPECT_EQ(PreviewTypeName(7), QStringLiteral("Png"));
    EXPECT_EQ(PreviewTypeName(12), QStringLiteral("Custom"));
    EXPECT_EQ(PreviewTypeName(13), QString());
    EXPECT_EQ(PreviewTypeName(-1), QString());

    struct Fit
    {
        int w, h;
        RECT expected;
    };
    const Fit fits[] = {
        {256, 128, {0, 32, 128, 96}}, {64, 32, {32, 48, 96, 80}}, {1000, 1, {0, 63, 128, 64}}};
    for (const Fit& f : fits)
    {
        const RECT r = FitPreview(f.w, f.h, 128, 128);
        EXPECT_EQ(r.left, f.expected.left);
        EXPECT_EQ(r.top, f.expected.top);
        EXPECT_EQ(r.right, f.expected.right);
        EXPECT_EQ(r.bottom, f.expected.bottom);
    }
    const RECT empty = FitPreview(0, 10, 128, 128);
    EXPECT_EQ(empty.right - empty.left, 0);
}

TEST(ShellText, DialogIntegers)
{
    struct Case
    {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {{"256", true, 256},
                          {"  -5", true, -5},
                          {"+7", true, 7},
                          {"abc", false, 0},
                          {"", false, 0},
                          {"-", false, 0},
                          {"12a", false, 0},
                          {"1 2", false, 0},
                          {"2147483647", true, INT_MAX},
                          {"-2147483648", true, INT_MIN},
                          {"2147483648", false, 0},
                          {"99999999999999999999", false, 0}};
    for (const Case& c : cases)
    {
        int v = 0;
        EXPECT_EQ(ParseDialogInt(QString::fromLatin1(c.text), v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 0) << c.text;
    }
}

TEST(RecentFiles, AddMovesToTopAndDropsTheOldest)
{
    CRecentFileList list;
    for (const char* p : {"/p/a.png", "/p/b.png", "/p/c.png", "/p/d.png"})
        list.Add(p);
    list.Add("/p/b.png");
    EXPECT_EQ(list.Entries(), (QStringList{"/p/a.png", "/p/c.png", "/p/d.png", "/p/b.png"}));
    list.Add("/p/e.png");
    EXPECT_EQ(list.Entries(), (QStringList{"/p/c.png", "/p/d.png", "/p/b.png", "/p/e.png"}));
    // Letter case makes another file on Linux.
    list.Add("/p/E.png");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Entries().last(), QStringLiteral("/p/E.png"));
    EXPECT_TRUE(list.Entries().contains("/p/e.png"));
}

TEST(RecentFiles, MenuTextsAndCommands)
{
    CRecentFileList list;
    list.Add("/p/old.png");
    list.Add("/p/R&D.png");
    EXPECT_EQ(list.MenuTexts(), (QStringList{"&1 /p/R&&D.png", "&2 /p/old.png"}));
    EXPECT_EQ(list.IndexOfCommand(57616), 1) << "57616 is the most recent";
    EXPECT_EQ(list.IndexOfCommand(57617), 0);
    EXPECT_EQ(list.IndexOfCommand(57618), -1);
    EXPECT_EQ(list.IndexOfCommand(57615), -1);

    const QString longPath =
        QStringLiteral("/home/u/") + QString(100, QLatin1Char('d')) + QStringLiteral("/image.png");
    const QString shortened = CRecentFileList::ShortenPath(longPath);
    EXPECT_LT(shortened.size(), 80);
    EXPECT_TRUE(shortened.startsWith(QStringLiteral("/home/u/d")));
    EXPECT_TRUE(shortened.endsWith(QStringLiteral(".../image.png")));
    const QString longName = QStringLiteral("/x/") + QString(120, QLatin1Char('n')) + QStringLiteral(".png");
    EXPECT_TRUE(CRecentFileList::ShortenPath(longName).endsWith(QStringLiteral("n.png")));
    EXPECT_LT(CRecentFileList::ShortenPath(longName).size(), 80);
    const QString fits = QStringLiteral("/a/") + QString(70, QLatin1Char('b'));
    EXPECT_EQ(CRecentFileList::ShortenPath(fits), fits);

    list.SetMaxEntries(1);
    EXPECT_EQ(list.MaxEntries(), 2);
    list.SetMaxEntries(40);
    EXPECT_EQ(list.MaxEntries(), 16);
}

TEST(ShellText, SaveDialogTypeGivesTheExtension)
{
    struct Case
    {
        const char* label;
        const char* extension;
    };
    const Case cases[] = {{"Fichiers Jpeg (*.jpg;*.jpeg)", ".jpg"}, {"Fichiers TIFF (*.tif;*.tiff)", ".tif"},
                          {"Fichiers PNG (*.png)", ".png"},         {"Tous (*.*)", ""},
                          {"Fichiers images connus", ""},           {"(*.png)", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(ExtensionOfTypeLabel(QString::fromUtf8(c.label)), QString::fromUtf8(c.extension))
            << c.label;
    EXPECT_EQ(RenameExtension("/d/photo.jpg", ".tif"), QStringLiteral("/d/photo.tif"));
    EXPECT_EQ(RenameExtension("/d.x/photo", ".tif"), QStringLiteral("/d.x/photo.tif"));
    EXPECT_EQ(RenameExtension("/d/.hidden", ".png"), QStringLiteral("/d/.hidden.png"));
}
