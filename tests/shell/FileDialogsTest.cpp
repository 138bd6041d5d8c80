#include "ShellFixture.h"

#include "shell/CFilePreviewDialog.h"
#include "shell/CFileSaveAsDialog.h"
#include "shell/CInfoDialog.h"
#include "platform/qt/ShellVerbs.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using testshell::FrameFixture;

TEST(FilePreviewDialog, PreviewOfAFileAnExcludedOneAndABrokenOne)
{
    FrameFixture f(false);
    const QString path = f.MakeImage("shown.png", 640, 48, 24);
    CFilePreviewDialog dialog(f.files.path());
    EXPECT_EQ(dialog.nameFilters().size(), 13);
    EXPECT_TRUE(
        dialog.nameFilters().front().startsWith(QStringLiteral("Fichiers images connus (*.jpg *.jpeg")));
    // The list shows the labels as they are, patterns and all.
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->itemText(0), QStringLiteral("Fichiers images connus"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("Fichiers Jpeg (*.jpg;*.jpeg)"));
    EXPECT_EQ(types->itemText(12), QStringLiteral("Tous (*.*)"));

    dialog.UpdatePreview(path);
    EXPECT_EQ(dialog.ControlText(1012), path);
    EXPECT_EQ(dialog.ControlText(1013), QStringLiteral("Largeur :  640 pixels"));
    EXPECT_EQ(dialog.ControlText(1014), QStringLiteral("Hauteur :   48 pixels"));
    EXPECT_EQ(dialog.ControlText(1015), QStringLiteral("Format  : 24 bits/pixel"));
    EXPECT_TRUE(dialog.ControlText(1016).startsWith(QStringLiteral("Taille     : ")));
    EXPECT_EQ(dialog.ControlText(1024), QStringLiteral("Png"));
    EXPECT_TRUE(dialog.PreviewImage().HasBits());

    const QString zip = f.files.filePath(QStringLiteral("archive.zip"));
    QFile(path).copy(zip);
    dialog.UpdatePreview(zip);
    EXPECT_FALSE(dialog.PreviewImage().HasBits());
    for (int id = 1012; id <= 1024; ++id)
        EXPECT_TRUE(dialog.ControlText(id).isEmpty()) << id;

    const QString broken = f.files.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    dialog.UpdatePreview(broken);
    EXPECT_EQ(dialog.ControlText(1024), QStringLiteral("(err)"));
    EXPECT_TRUE(dialog.ControlText(1013).isEmpty());
}

TEST(FilePreviewDialog, TranslucentPictureIsShownOverWhite)
{
    FrameFixture f(false);
    const QString path = f.files.filePath(QStringLiteral("glass.png"));
    testimg::Flat(128, 128, 32, 200, 100, 50, 128).Save(path.toStdWString().c_str(), FCImageProperty());
    CPreviewBox* box = nullptr;
    CFilePreviewDialog dialog(f.files.path());
    dialog.UpdatePreview(path);
    box = dialog.findChild<CPreviewBox*>();
    ASSERT_NE(box, nullptr);
    const QRgb shown = box->grab().toImage().pixel(64, 64);
    EXPECT_NEAR(qBlue(shown), 227, 1);
    EXPECT_NEAR(qGreen(shown), 177, 1);
    EXPECT_NEAR(qRed(shown), 152, 1);
}

namespace
{
// Every column of the file list lies within the list's visible width, and none is cut; on a
// screen too narrow for that, the dialog takes the whole width of the screen.
void ExpectEveryColumnShown(QFileDialog& dialog)
{
    const int room = QGuiApplication::primaryScreen()->availableGeometry().width() - 16;
    if (dialog.width() >= room)
    {
        EXPECT_EQ(dialog.width(), room);
        return;
    }
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(tree, nullptr);
    QHeaderView* header = tree->header();
    ASSERT_GE(header->count(), 4);
    int total = 0;
    for (int i = 0; i < 4; ++i)
        total += header->sectionSize(i);
    EXPECT_LE(total, tree->viewport()->width());
    const QFontMetrics fm(tree->font());
    EXPECT_GE(header->sectionSize(1), fm.horizontalAdvance(QLocale::system().formattedDataSize(791531)))
        << "a size such as 773.00 KiB is shown whole";
    EXPECT_GE(header->sectionSize(3), fm.horizontalAdvance(QLocale::system().toString(
                                          QDateTime::currentDateTime(), QLocale::ShortFormat)));
}
} // namespace

TEST(FilePreviewDialog, ANameTypedInTheNameFieldIsPreviewed)
{
    FrameFixture f(false);
    const QString here = f.MakeImage("typed.png", 33, 22, 24);
    const QString there = f.MakeImage("other/far.png", 44, 11, 24);
    CFilePreviewDialog dialog(f.files.path());
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    struct Case
    {
        QString typed;
        QString width; // 1013, empty when nothing is previewed
    };
    const Case cases[] = {
        {QStringLiteral("typed.png"), QStringLiteral("Largeur :   33 pixels")},
        {there, QStringLiteral("Largeur :   44 pixels")},
        {QStringLiteral("typ"), QString()},
        {QStringLiteral("other"), QString()}, // a folder
        {QStringLiteral("  typed.png "), QStringLiteral("Largeur :   33 pixels")},
    };
    for (const Case& c : cases)
    {
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(dialog.ControlText(1013), c.width) << c.typed.toStdString();
    }
    EXPECT_EQ(dialog.ControlText(1012), here);
}

TEST(FilePreviewDialog, TheNameStaysBelowThePictureAndEveryColumnShows)
{
    FrameFixture f(false);
    const QString path = f.MakeImage(
        QStringLiteral("a/long/way/down/to/a/picture/with/a/rather/long/name/indeed.png"), 300, 200);
    QWidget owner;
    owner.resize(1000, 700);
    CFilePreviewDialog dialog(f.files.path(), &owner);
    dialog.show();
    ExpectEveryColumnShown(dialog);
    const int listWidth = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))->width();

    dialog.UpdatePreview(path);
    QCoreApplication::sendPostedEvents();
    auto* box = dialog.findChild<CPreviewBox*>();
    auto* name = dialog.findChild<QLabel*>(QStringLiteral("1012"));
    ASSERT_TRUE(box && name);
    const QRect boxArea(box->mapTo(&dialog, QPoint(0, 0)), box->size());
    const QRect nameArea(name->mapTo(&dialog, QPoint(0, 0)), name->size());
    EXPECT_FALSE(boxArea.intersects(nameArea));
    EXPECT_GE(nameArea.top(), boxArea.bottom());
    EXPECT_EQ(box->size(), QSize(128, 128));
    EXPECT_EQ(dialog.findChild<QTreeView*>(QStringLiteral("treeView"))->width(), listWidth)
        << "a long name takes no room from the list";
    dialog.hide();
}

TEST(FileSaveAsDialog, EveryColumnShows)
{
    FrameFixture f(false);
    CFileSaveAsDialog dialog(QStringLiteral("photo.jpg"), f.files.path());
    dialog.show();
    ExpectEveryColumnShown(dialog);
    dialog.hide();
}

TEST(FileSaveAsDialog, ChoosingATypeRenamesTheTypedFile)
{
    FrameFixture f(false);
    CFileSaveAsDialog dialog(QStringLiteral("photo.jpg"), f.files.path());
    dialog.SetTypedName(QStringLiteral("photo.jpg"));
    dialog.OnTypeChange(5); // "Fichiers TIFF (*.tif;*.tiff)"
    EXPECT_EQ(dialog.TypedName(), f.files.path() + QStringLiteral("/photo.tif"));
    dialog.SetTypedName(QStringLiteral("photo.jpg"));
    dialog.OnTypeChange(12); // "Tous (*.*)"
    EXPECT_EQ(dialog.TypedName(), QStringLiteral("photo.jpg"));
    dialog.OnTypeChange(0); // "Fichiers images connus"
    EXPECT_EQ(dialog.TypedName(), QStringLiteral("photo.jpg"));
}

TEST(InfoDialog, TextTitleAndFileProperties)
{
    struct RecordingVerbs : IShellVerbs
    {
        bool Open(const QString&) override { return true; }
        bool Print(const QString&) override { return true; }
        bool Properties(const QString& path, QWidget*) override
        {
            asked << path;
            return true;
        }
        QStringList asked;
    } verbs;
    IShellVerbs* previous = SetShellVerbs(&verbs);
    CInfoDialog withFile(QStringLiteral("/d/photo.png"), QStringLiteral("photo.png"),
                         QStringLiteral("Largeur : 10\r\nHauteur : 20\r\n"));
    EXPECT_EQ(withFile.windowTitle(), QStringLiteral("Informations photo.png"));
    EXPECT_EQ(withFile.TextBox()->toPlainText(), QStringLiteral("Largeur : 10\nHauteur : 20\n"));
    EXPECT_TRUE(withFile.TextBox()->isReadOnly());
    withFile.PropertiesButton()->click();
    EXPECT_EQ(verbs.asked, QStringList{"/d/photo.png"});

    CInfoDialog untitled(QString(), QStringLiteral("Image1"), QStringLiteral("x"));
    EXPECT_FALSE(untitled.PropertiesButton()->isEnabled());
    SetShellVerbs(previous);
}

TEST(FileSaveAsDialog, PickingATypeInTheListRenamesWhatWasTyped)
{
    FrameFixture f(false);
    CFileSaveAsDialog dialog(QString(), f.files.path());
    dialog.show();
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(types, nullptr);
    ASSERT_NE(name, nullptr);
    struct Case
    {
        const char* typed;
        int type; // index in the list
        QString expected;
    };
    const QString folder = f.files.path() + QLatin1Char('/');
    const Case cases[] = {
        {"a.jpg", 5, folder + QStringLiteral("a.tif")}, // "Fichiers TIFF (*.tif;*.tiff)"
        {"a", 11, folder + QStringLiteral("a.ico")},    // "Fichiers Icône (*.ico)"
        {"b.png", 12, QStringLiteral("b.png")},         // "Tous (*.*)": untouched
        {"", 2, QString()},                             // nothing typed: nothing to rename
    };
    for (const Case& c : cases)
    {
        // From another type, as the list does it: the index changes, then the type is activated.
        types->setCurrentIndex(c.type == 1 ? 2 : 1);
        name->setText(QString::fromUtf8(c.typed));
        types->setCurrentIndex(c.type);
        emit types->activated(c.type);
        EXPECT_EQ(name->text(), c.expected) << c.typed << " " << c.type;
    }
}
