// The information, rotation and size dialogs: their rules, their fields and buttons, and the
// runners that turn the rotation and size dialogs into the effect the document applies.
#include "ShellFixture.h"

#include "dialogs/EffectDialogs.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/ResizeEffects.h"
#include "platform/qt/ShellVerbs.h"
#include "resources/CommandIds.h"
#include "shell/CInfoDialog.h"
#include "shell/CRotationdialog.h"
#include "shell/CSizedialog.h"
#include "shell/DialogRules.h"
#include "shell/RotateResizeDialogs.h"
#include "views/CChildFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using testshell::FrameFixture;

namespace
{
const DialogBaseUnits kUnits{6, 13};

// Acts on the dialog of type D once its modal loop runs; a dialog of another kind, or none,
// is rejected so that the test ends (and fails on what it then finds).
template <class D> void WhenModal(std::function<void(D&)> act, int tries = 50)
{
    QTimer::singleShot(10,
                       [act, tries]
                       {
                           QWidget* modal = QApplication::activeModalWidget();
                           if (auto* d = qobject_cast<D*>(modal))
                               act(*d);
                           else if (tries > 0)
                               WhenModal<D>(act, tries - 1);
                           else if (auto* other = qobject_cast<QDialog*>(modal))
                               other->reject();
                       });
}

// Whether a modal loop can still run in this process: once a test has asked the application
// to quit (the frame's "Quitter"), every later event loop returns at once.
bool ModalLoopsRun()
{
    QEventLoop loop;
    bool ran = false;
    QTimer::singleShot(0, &loop,
                       [&]
                       {
                           ran = true;
                           loop.quit();
                       });
    loop.exec();
    return ran;
}

CImageDoc* ActiveDocument(CMainFrame& frame)
{
    auto* child = dynamic_cast<CChildFrame*>(frame.MdiArea()->currentSubWindow());
    return child ? child->BitmapView().Document() : nullptr;
}

QAbstractButton* Button(const CDialogControls& c, int id)
{
    return c.Get<QAbstractButton>(id);
}
} // namespace

TEST(DialogRules, ExtractSubString)
{
    struct Case
    {
        const char* text;
        int index;
        const char* result;
        bool ok;
    };
    const Case cases[] = {
        {"a\nb", 0, "a", true}, {"a\nb", 1, "b", true}, {"a\nb", 2, "", false},
        {"", 0, "", true},      {"a\n", 1, "", true},   {"\n\nc", 2, "c", true},
    };
    for (const Case& c : cases)
    {
        QString result = QStringLiteral("stale");
        EXPECT_EQ(ExtractSubString(result, QString::fromUtf8(c.text), c.index, QLatin1Char('\n')), c.ok)
            << c.text << " " << c.index;
        EXPECT_EQ(result, QString::fromUtf8(c.result));
    }
}

TEST(DialogRules, WToIReadsAsTheSizeFieldsAlwaysHave)
{
    struct Case
    {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"12abc", 12},
        {" 7", 7},
        {"abc", 0},
        {"", 0},
        {"-40", -40},
        {"+5", 5},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"1 2", 1},
        {"- 3", 0},
        {"123456789012345678901234567890", INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WToI(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(DialogRules, AngleTextReadsWholeAndFinite)
{
    struct Case
    {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"12.5", true, 12.5}, {"", true, 0},      {"30", true, 30},
        {".5", true, 0.5},    {"12.", true, 12},  {"-4", true, -4},
        {" 7", true, 7},      {"1.2.", false, 0}, {"12,5", false, 0},
        {"-", false, 0},      {"a", false, 0},    {"1e999", false, 0},
        {"inf", false, 0},    {"nan", false, 0},  {"  ", false, 0},
        {"5 ", false, 0},     {"+-3", false, 0},  {"999999999999999999999", true, 1e21},
    };
    for (const Case& c : cases)
    {
        const std::optional<double> v = ParseAngleText(QString::fromUtf8(c.text));
        EXPECT_EQ(bool(v), c.ok) << c.text;
        if (v && c.ok)
        {
            EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
        }
    }
    for (const char* keep : {"0", "9", ",", "."})
        EXPECT_TRUE(IsAngleCharacter(QLatin1Char(*keep)));
    for (const char* drop : {"a", "-", "+", " ", "e"})
        EXPECT_FALSE(IsAngleCharacter(QLatin1Char(*drop)));
}

TEST(DialogRules, InfoScrollBars)
{
    // Every character 10 pixels wide, lines 10 pixels high, a client of 100 x 50.
    const auto width = [](const QString& s) { return int(s.size()) * 10; };
    EXPECT_EQ(InfoScrollBars(QStringLiteral("short\r\n"), 10, width, 100, 50),
              (ScrollBarsNeeded{false, false}));
    QString many;
    for (int i = 0; i < 200; ++i)
        many += QStringLiteral("line\r\n");
    EXPECT_EQ(InfoScrollBars(many, 10, width, 100, 50), (ScrollBarsNeeded{false, true}));
    // Four lines end in a line feed: the piece after it is no line, so 40 < 50.
    EXPECT_EQ(InfoScrollBars(QStringLiteral("a\r\nb\r\nc\r\nd\r\n"), 10, width, 100, 50),
              (ScrollBarsNeeded{false, false}));
    // Five lines reach the height; an empty line in between counts.
    EXPECT_EQ(InfoScrollBars(QStringLiteral("a\r\n\r\nc\r\nd\r\ne"), 10, width, 100, 50),
              (ScrollBarsNeeded{false, true}));
    // Eleven characters pass 100 pixels; ten do not (the carriage return is not measured).
    EXPECT_EQ(InfoScrollBars(QStringLiteral("0123456789\r\n"), 10, width, 100, 50),
              (ScrollBarsNeeded{false, false}));
    EXPECT_EQ(InfoScrollBars(QStringLiteral("x\r\n0123456789A\r\n"), 10, width, 100, 50),
              (ScrollBarsNeeded{true, false}));
    // Once a line is too wide the others are not measured.
    int measured = 0;
    const auto counting = [&measured](const QString& s)
    {
        ++measured;
        return int(s.size()) * 10;
    };
    EXPECT_TRUE(InfoScrollBars(QStringLiteral("0123456789AB\nx\ny\nz"), 10, counting, 100, 50).horizontal);
    EXPECT_EQ(measured, 1);
}

TEST(InfoDialog, TemplateTitleButtonAndBars)
{
    CInfoDialog info(QString(), QStringLiteral("Image1"), QStringLiteral("Largeur : 10\r\n"), nullptr,
                     &kUnits);
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Informations Image1"));
    EXPECT_EQ(info.size(), QSize(DluToPixelsX(223, kUnits), DluToPixelsY(169, kUnits)));
    EXPECT_FALSE(info.PropertiesButton()->isEnabled());
    EXPECT_EQ(info.PropertiesButton()->text(), QStringLiteral("Informations fichier..."));
    auto* close = info.findChild<QPushButton*>(DialogControlName(1));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Fermer"));
    EXPECT_EQ(info.TextBox()->objectName(), DialogControlName(1009));
    EXPECT_EQ(info.TextBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(info.TextBox()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    close->click();
    EXPECT_EQ(info.result(), QDialog::Accepted);

    QString tall;
    for (int i = 0; i < 200; ++i)
        tall += QStringLiteral("Ligne %1\r\n").arg(i);
    CInfoDialog many(QStringLiteral("/d/a.png"), QStringLiteral("a.png"), tall, nullptr, &kUnits);
    EXPECT_EQ(many.TextBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(many.TextBox()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(many.PropertiesButton()->isEnabled());

    CInfoDialog wide(QString(), QStringLiteral("b"), QString(400, QLatin1Char('W')) + QStringLiteral("\r\n"),
                     nullptr, &kUnits);
    EXPECT_EQ(wide.TextBox()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(wide.TextBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(RotationDialog, StartsToTheRightWithTheSizeKept)
{
    CRotationdialog dialog(nullptr, &kUnits);
    const CDialogControls& c = dialog.Controls();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rotation"));
    EXPECT_EQ(dialog.size(), QSize(DluToPixelsX(223, kUnits), DluToPixelsY(84, kUnits)));
    EXPECT_TRUE(Button(c, 1027)->isChecked());
    EXPECT_FALSE(Button(c, 1026)->isChecked());
    EXPECT_TRUE(Button(c, 1028)->isChecked());
    EXPECT_FALSE(Button(c, 1099)->isChecked());
    EXPECT_EQ(Button(c, 1026)->text(), QStringLiteral("Vers la gauche"));
    EXPECT_EQ(Button(c, 1027)->text(), QStringLiteral("Vers la droite"));
    EXPECT_EQ(Button(c, 1028)->text(), QStringLiteral("Ajuster taille image"));
    EXPECT_EQ(Button(c, 1099)->text(), QStringLiteral("Utiliser FreeImage"));
    EXPECT_EQ(Button(c, 2)->text(), QStringLiteral("Annuler"));
    bool label = false;
    for (QLabel* l : dialog.findChildren<QLabel*>())
        label = label || l->text() == QStringLiteral("Angle (°)");
    EXPECT_TRUE(label);
    EXPECT_EQ(dialog.m_angle, 0.0);
    // The two directions exclude each other.
    Button(c, 1026)->click();
    EXPECT_FALSE(Button(c, 1027)->isChecked());
}

TEST(RotationDialog, TheAngleFieldKeepsOnlyWhatReadsAsANumber)
{
    CRotationdialog dialog(nullptr, &kUnits);
    QLineEdit* edit = dialog.AngleEdit();
    dialog.show();
    edit->setFocus();

    // A comma reads as a point while typing; OK cannot read "12,5" and keeps 12.5.
    QTest::keyClicks(edit, QStringLiteral("12,5"));
    EXPECT_EQ(edit->text(), QStringLiteral("12,5"));
    EXPECT_DOUBLE_EQ(dialog.m_angle, 12.5);
    Button(dialog.Controls(), 1026)->click();
    Button(dialog.Controls(), 1099)->click();
    Button(dialog.Controls(), 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.m_angle, 12.5);
    EXPECT_FALSE(dialog.m_bRight);
    EXPECT_TRUE(dialog.m_bFit);
    EXPECT_TRUE(dialog.m_bFreeImage);

    // Letters, signs and blanks never reach the field; a second point is taken back with the
    // caret where it was.
    CRotationdialog second(nullptr, &kUnits);
    QLineEdit* angle = second.AngleEdit();
    second.show();
    angle->setFocus();
    QTest::keyClicks(angle, QStringLiteral("1a-.2 "));
    EXPECT_EQ(angle->text(), QStringLiteral("1.2"));
    EXPECT_DOUBLE_EQ(second.m_angle, 1.2);
    QTest::keyClick(angle, Qt::Key_Period);
    EXPECT_EQ(angle->text(), QStringLiteral("1.2"));
    EXPECT_EQ(angle->cursorPosition(), 3);
    EXPECT_DOUBLE_EQ(second.m_angle, 1.2);
    // Backspace still edits; an empty field is 0.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(angle, Qt::Key_Backspace);
    EXPECT_TRUE(angle->text().isEmpty());
    EXPECT_EQ(second.m_angle, 0.0);

    // Pasted text that is not a finite number is refused like typing.
    QTest::keyClicks(angle, QStringLiteral("45"));
    for (const char* pasted : {"inf", "nan", "1e999", "x"})
    {
        QApplication::clipboard()->setText(QString::fromLatin1(pasted));
        angle->selectAll();
        angle->paste();
        EXPECT_EQ(angle->text(), QStringLiteral("45")) << pasted;
        EXPECT_DOUBLE_EQ(second.m_angle, 45.0) << pasted;
    }
    // Enter is OK; the angle as typed.
    QTest::keyClick(angle, Qt::Key_Return);
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(second.Values().angle, 45.0);
    EXPECT_TRUE(second.Values().toRight);
}

TEST(SizeDialog, FieldsChecksAndFilters)
{
    CSizedialog dialog(400, 300, nullptr, &kUnits);
    const CDialogControls& c = dialog.Controls();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Nouvelle taille"));
    EXPECT_EQ(dialog.size(), QSize(DluToPixelsX(225, kUnits), DluToPixelsY(113, kUnits)));
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("400"));
    EXPECT_EQ(dialog.HeightEdit()->text(), QStringLiteral("300"));
    EXPECT_EQ(dialog.WidthEdit()->maxLength(), 20);
    EXPECT_EQ(c.Get<QLabel>(1036)->text(), QStringLiteral("Largeur"));
    EXPECT_EQ(c.Get<QLabel>(1035)->text(), QStringLiteral("Hauteur"));
    EXPECT_EQ(Button(c, 1034)->text(), QStringLiteral("Largeur auto"));
    EXPECT_EQ(Button(c, 1033)->text(), QStringLiteral("Hauteur auto"));
    EXPECT_EQ(Button(c, 1097)->text(), QStringLiteral("Utiliser FreeImage avec le filtrage"));
    for (int id : {1033, 1034, 1097})
        EXPECT_FALSE(Button(c, id)->isChecked()) << id;

    QComboBox* combo = dialog.FilterCombo();
    const QStringList labels{"Box, pulse",           "Bicubic",        "Bilinear", "BSpline",
                             "Catmull - Rom spline", "Lanczos3 filter"};
    ASSERT_EQ(combo->count(), 6);
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(combo->itemText(i), labels[i]);
        EXPECT_EQ(combo->itemData(i).toInt(), i);
    }
    EXPECT_EQ(combo->currentText(), QStringLiteral("Bicubic"));
    EXPECT_FALSE(combo->isEnabled());

    // One automatic side at most: each one greys the other side and the other box.
    Button(c, 1033)->click();
    EXPECT_TRUE(dialog.m_bAutoHeight);
    for (int id : {1031, 1035, 1034})
        EXPECT_FALSE(c.Get(id)->isEnabled()) << id;
    EXPECT_TRUE(dialog.WidthEdit()->isEnabled());
    Button(c, 1033)->click();
    EXPECT_FALSE(dialog.m_bAutoHeight);
    for (int id : {1031, 1035, 1034})
        EXPECT_TRUE(c.Get(id)->isEnabled()) << id;
    Button(c, 1034)->click();
    for (int id : {1029, 1036, 1033})
        EXPECT_FALSE(c.Get(id)->isEnabled()) << id;

    // The filter list only while FreeImage is chosen.
    Button(c, 1097)->click();
    EXPECT_TRUE(combo->isEnabled());
    Button(c, 1097)->click();
    EXPECT_FALSE(combo->isEnabled());
    Button(c, 1097)->click();
    combo->setCurrentIndex(5);

    dialog.WidthEdit()->setText(QStringLiteral("12abc"));
    dialog.HeightEdit()->setText(QStringLiteral(" 150"));
    Button(c, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const ResizeValues v = dialog.Values();
    EXPECT_EQ(v.width, 12);
    EXPECT_EQ(v.height, 150);
    EXPECT_TRUE(v.autoWidth);
    EXPECT_FALSE(v.autoHeight);
    EXPECT_TRUE(v.useFreeImage);
    EXPECT_EQ(v.filter, 5);
}

TEST(ShellEffectDialogs, RotationRunnerGivesTheDerivedEffect)
{
    if (!ModalLoopsRun()) GTEST_SKIP() << "an earlier test of this process quit the application";
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("photo.png", 24, 16), false));
    CImageDoc* doc = ActiveDocument(*f.frame);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(f.frame->HasEffectDialog(kCmdRotateFree));
    EXPECT_TRUE(f.frame->HasEffectDialog(kCmdResize));

    WhenModal<CRotationdialog>(
        [](CRotationdialog& d)
        {
            QTest::keyClicks(d.AngleEdit(), QStringLiteral("30"));
            Button(d.Controls(), 1026)->click();
            Button(d.Controls(), 1)->click();
        });
    std::unique_ptr<FCImageEffect> effect = f.frame->RunEffectDialog(*doc, kCmdRotateFree);
    ASSERT_NE(dynamic_cast<FCEffectRotate*>(effect.get()), nullptr);
    // The same pixels as the effect turned 330 degrees clockwise.
    FCObjImage mine = doc->GetImage(), direct = doc->GetImage();
    FCObjImage::ApplyEffect(mine, *effect, nullptr);
    FCEffectRotate expected(330 * 0.017453292519943295, 0);
    FCObjImage::ApplyEffect(direct, expected, nullptr);
    ASSERT_EQ(mine.Width(), direct.Width());
    EXPECT_EQ(std::memcmp(mine.GetBits(), direct.GetBits(), std::size_t(mine.RowPitch() * mine.Height())), 0);

    WhenModal<CRotationdialog>(
        [](CRotationdialog& d)
        {
            QTest::keyClicks(d.AngleEdit(), QStringLiteral("30"));
            Button(d.Controls(), 1099)->click();
            Button(d.Controls(), 1)->click();
        });
    effect = RunRotationDialog(*doc, kCmdRotateFree, f.frame.get());
    EXPECT_NE(dynamic_cast<FCEffectRotateFreeImage*>(effect.get()), nullptr);

    WhenModal<CRotationdialog>([](CRotationdialog& d) { Button(d.Controls(), 2)->click(); });
    EXPECT_EQ(RunRotationDialog(*doc, kCmdRotateFree, f.frame.get()), nullptr);
}

TEST(ShellEffectDialogs, SizeRunnerRefusesASizeOfNothing)
{
    if (!ModalLoopsRun()) GTEST_SKIP() << "an earlier test of this process quit the application";
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("photo.png", 400, 300), false));
    CImageDoc* doc = ActiveDocument(*f.frame);
    ASSERT_TRUE(doc);

    WhenModal<CSizedialog>(
        [](CSizedialog& d)
        {
            EXPECT_EQ(d.WidthEdit()->text(), QStringLiteral("400"));
            EXPECT_EQ(d.HeightEdit()->text(), QStringLiteral("300"));
            Button(d.Controls(), 1034)->click();
            d.HeightEdit()->setText(QStringLiteral("150"));
            Button(d.Controls(), 1)->click();
        });
    std::unique_ptr<FCImageEffect> effect = f.frame->RunEffectDialog(*doc, kCmdResize);
    ASSERT_NE(dynamic_cast<FCEffectResize*>(effect.get()), nullptr);
    FCObjImage resized = doc->GetImage();
    FCObjImage::ApplyEffect(resized, *effect, nullptr);
    EXPECT_EQ(resized.Width(), 200);
    EXPECT_EQ(resized.Height(), 150);
    EXPECT_TRUE(f.prompt.asked.empty());

    // An emptied field is a size of nothing: said, and nothing to apply.
    WhenModal<CSizedialog>(
        [](CSizedialog& d)
        {
            d.WidthEdit()->clear();
            Button(d.Controls(), 1)->click();
        });
    EXPECT_EQ(RunSizeDialog(*doc, kCmdResize, f.frame.get()), nullptr);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text,
              QStringLiteral("Nouvelle taille impossible : 0 x 300 pixels.\nLa largeur et la hauteur doivent "
                             "valoir au moins 1 pixel."));
    EXPECT_EQ(doc->GetImage().Width(), 400);

    // FreeImage with its filter.
    WhenModal<CSizedialog>(
        [](CSizedialog& d)
        {
            Button(d.Controls(), 1097)->click();
            d.WidthEdit()->setText(QStringLiteral("100"));
            d.HeightEdit()->setText(QStringLiteral("50"));
            Button(d.Controls(), 1)->click();
        });
    effect = RunSizeDialog(*doc, kCmdResize, f.frame.get());
    EXPECT_NE(dynamic_cast<FCEffectResizeFreeImage*>(effect.get()), nullptr);

    WhenModal<CSizedialog>([](CSizedialog& d) { d.reject(); });
    EXPECT_EQ(RunSizeDialog(*doc, kCmdResize, f.frame.get()), nullptr);
    EXPECT_EQ(f.prompt.asked.size(), 1u);
}
