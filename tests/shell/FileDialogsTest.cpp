#include "ShellFixture.h"

#include "shell/CFilePreviewDialog.h"
#include "shell/CFileSaveAsDialog.h"
#include "shell/CInfoDialog.h"
#include "platform/qt/ShellVerbs.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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
