// The configuration dialog on the real property list and its editors, with the settings in a
// folder of their own.
#include "MessageRecorder.h"
#include "ShellFixture.h"

#include "platform/qt/WindowMessages.h"
#include "platform/settings/Settings.h"
#include "resources/CommandIds.h"
#include "resources/ResourceTables.h"
#include "shell/CConfigPropertyDlg.h"
#include "shell/CPropertyListCtrl.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

namespace
{
using testshell::IsolatedSettings;
using testshell::ScriptedPrompt;

const DialogBaseUnits kBase{6, 13};

// The dialog over a recording main window, shown and active.
struct DialogFixture
{
    // stored: values written before the dialog reads them.
    explicit DialogFixture(int flag = 0, bool show = true,
                           std::initializer_list<std::pair<const wchar_t*, int>> stored = {})
    {
        for (const auto& [name, value] : stored)
            settings.Write(L"", name, REG_DWORD, IsolatedSettings::Dword(value));
        SetPromptHandler(&prompt);
        SetProcessorCountForTesting(16);
        owner.show();
        dlg = std::make_unique<CConfigPropertyDlg>(flag, &owner, &kBase);
        if (show) Show();
    }
    ~DialogFixture()
    {
        dlg.reset();
        SetProcessorCountForTesting(0);
        SetPromptHandler(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Show()
    {
        dlg->show();
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QCoreApplication::processEvents();
    }
    CPropertyListCtrl& List() { return *dlg->List(); }
    QString Help() { return dlg->Help()->text(); }
    // The point of a row's name in the list's viewport.
    QPoint NameOf(IProperty* row)
    {
        const RECT r = List().GetItemRect(List().FindProperty(row));
        return QPoint(30, (r.top + r.bottom) / 2);
    }
    void Click(IProperty* row) { QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, NameOf(row)); }
    void Select(IProperty* row)
    {
        List().SetCurSel(List().FindProperty(row));
        List().OnSelChange();
    }
    // Types a value into the quality row the way a person does: a click on its name, the
    // digits, then a click on "Appliquer".
    void TypeQuality(const QString& text)
    {
        Click(dlg->m_quality);
        List().setFocus();
        // A character opens the editor with it; F2 opens it with its text selected.
        if (text.isEmpty())
            QTest::keyClick(&List(), Qt::Key_F2);
        else
            QTest::keyClick(&List(), text.at(0).toLatin1());
        auto* editor = qobject_cast<CInplacePropertyEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "the key opened the row's editor";
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        else
            QTest::keyClicks(editor, text.mid(1));
        QTest::mouseClick(dlg->Button(CConfigPropertyDlg::kIdApply), Qt::LeftButton);
    }
    static std::optional<DWORD> Stored(const wchar_t* name)
    {
        SettingsKey key;
        if (key.Open(GetSettingsFile(), GetSettingsKeyPath(), false) != ERROR_SUCCESS) return std::nullopt;
        SettingsValue v;
        if (key.QueryValue(name, v, 16) != ERROR_SUCCESS || v.type != REG_DWORD || v.data.size() != 4)
            return std::nullopt;
        DWORD d;
        std::memcpy(&d, v.data.data(), 4);
        return d;
    }

    IsolatedSettings settings;
    ScriptedPrompt prompt;
    MessageRecorder owner;
    std::unique_ptr<CConfigPropertyDlg> dlg;
};

template <class T> T* EditorAs(CPropertyListCtrl& list)
{
    return dynamic_cast<T*>(list.InplaceEditor());
}

std::wstring Shown(IProperty* row)
{
    if (row->GetKind() == PROPKIND_CHECK)
    {
        CPropertyVariant v;
        row->GetValue(v);
        return v.BoolValue() ? L"[x]" : L"[ ]";
    }
    std::wstring text;
    row->GetDisplayValue(text);
    return text;
}
} // namespace

TEST(ConfigPropertyDlg, ShowsTheSettingsInFiveCategoriesWithTheirTexts)
{
    DialogFixture f;
    EXPECT_EQ(f.dlg->windowTitle(), QStringLiteral("Orvalis 5 : configuration"));
    EXPECT_EQ(f.dlg->size(), QSize(DluToPixelsX(309, kBase), DluToPixelsY(211, kBase)));
    EXPECT_EQ(f.dlg->Button(1)->text(), QStringLiteral("OK"));
    EXPECT_EQ(f.dlg->Button(2)->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(f.dlg->Button(16)->text(), QStringLiteral("Appliquer"));
    EXPECT_EQ(f.List().GetExtendedListStyle(), unsigned(PLS_CATEGORIZED));

    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"Threads", L""},
        {L"Nombre de threads:", L"1"},
        {L"Twain", L""},
        {L"Mode de transfert:", L"Natif (BMP Windows)"},
        {L"Jpeg", L""},
        {L"Qualité:", L"90"},
        {L"EXIF/Jpeg", L""},
        {L"Enregistrer le nom du programme:", L"[x]"},
        {L"Mise jour de la date fichier:", L"[x]"},
        {L"Impression : Mise en page", L""},
        {L"Mise à l'échelle de la page:", L"[x]"},
    };
    ASSERT_EQ(f.List().GetCount(), 11);
    for (int i = 0; i < 11; ++i)
    {
        IProperty* row = f.List().GetProperty(i);
        EXPECT_EQ(row->GetName(), rows[i].first);
        EXPECT_EQ(Shown(row), rows[i].second) << i;
    }
    EXPECT_EQ(f.dlg->m_threads->Options(), (std::vector<std::wstring>{L"1", L"2", L"4", L"8"}));
    EXPECT_EQ(f.dlg->m_twain->Options(), (std::vector<std::wstring>{L"Natif (BMP Windows)", L"Mémoire"}));
}

TEST(ConfigPropertyDlg, HelpTextDescribesTheSelectedRow)
{
    DialogFixture g(
        0, true,
        {{L"NbThreads", 4}, {L"TwainMemoryTransfert", 1}, {L"JpegQuality", 100}, {L"ExifWriteDate", 0}});
    g.Select(g.dlg->m_threads);
    EXPECT_EQ(g.Help(),
              QStringLiteral("Nombre de threads:\t4\n\nNombre de threads pour les traitements séparables"));
    g.Select(g.dlg->m_twain);
    EXPECT_EQ(g.Help(),
              QStringLiteral("Mode de transfert:\tMémoire\n\nMode de transfert avec le scanner TWAIN"));
    g.Select(g.dlg->m_quality);
    EXPECT_EQ(g.Help(), QStringLiteral("Qualité:\t100\n\nQualité JPEG : 30..100 - défaut 90"));
    g.Select(g.dlg->m_printScale);
    EXPECT_EQ(g.Help(), QStringLiteral("Mise à l'échelle de la page:\toui"));
    g.Select(g.dlg->m_exifDate);
    EXPECT_EQ(g.Help(), QStringLiteral("Mise jour de la date fichier:\tnon"));
    g.Select(g.dlg->m_catJpeg);
    EXPECT_EQ(g.Help(), QStringLiteral("Jpeg\t"));

    // With no row selected there is no help (the list reports that on its first sizing, before
    // any row is chosen).
    g.List().SetCurSel(-1);
    g.List().OnSelChange();
    EXPECT_EQ(g.Help(), QString());
}

TEST(ConfigPropertyDlg, FirstShowingWithoutASelectionLeavesTheHelpEmpty)
{
    DialogFixture f(0, false);
    f.dlg->Help()->setText(QStringLiteral("stale"));
    f.Show();
    EXPECT_EQ(f.List().GetCurSel(), -1);
    EXPECT_EQ(f.Help(), QString());
}

TEST(ConfigPropertyDlg, ThreadChoiceFollowsTheStoredCountWithinTheProcessors)
{
    struct Case
    {
        int stored;
        int processors;
        const wchar_t* shown;
        DWORD applied;
    };
    const Case cases[] = {
        {0, 16, L"1", 1},  {1, 16, L"1", 1}, {2, 16, L"2", 2}, {3, 16, L"2", 2},
        {4, 16, L"4", 4},  {7, 16, L"4", 4}, {8, 16, L"8", 8}, {64, 16, L"8", 8},
        {-5, 16, L"1", 1}, {6, 6, L"4", 4},  {64, 4, L"4", 4}, {16, 3, L"2", 2},
    };
    for (const Case& c : cases)
    {
        IsolatedSettings settings;
        settings.Write(L"", L"NbThreads", REG_DWORD, IsolatedSettings::Dword(c.stored));
        SetProcessorCountForTesting(c.processors);
        MessageRecorder owner;
        CConfigPropertyDlg dlg(0, &owner, &kBase);
        EXPECT_EQ(Shown(dlg.m_threads), c.shown) << c.stored << " on " << c.processors;
        dlg.OnApply();
        EXPECT_EQ(DialogFixture::Stored(L"NbThreads"), c.applied) << c.stored << " on " << c.processors;
    }
    SetProcessorCountForTesting(0);
}

TEST(ConfigPropertyDlg, TypedQualityIsBroughtIntoRangeShownAndStored)
{
    struct Case
    {
        QString typed;
        std::int64_t row;
        int beeps;
    };
    const Case cases[] = {
        {QStringLiteral("150"), 100, 0}, {QStringLiteral("10"), 30, 0},  {QStringLiteral("75"), 75, 0},
        {QStringLiteral("-4"), 30, 0},   {QStringLiteral("abc"), 90, 1}, {QString(), 90, 1},
    };
    for (const Case& c : cases)
    {
        DialogFixture f;
        f.TypeQuality(c.typed);
        CPropertyVariant v;
        f.dlg->m_quality->GetValue(v);
        EXPECT_EQ(v.IntValue(), c.row) << c.typed.toStdString();
        EXPECT_EQ(f.prompt.beeps, c.beeps) << c.typed.toStdString();
        EXPECT_EQ(f.Help(), QStringLiteral("Qualité:\t%1\n\nQualité JPEG : 30..100 - défaut 90").arg(c.row))
            << c.typed.toStdString();
        EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), DWORD(c.row)) << c.typed.toStdString();
    }
}

TEST(ConfigPropertyDlg, QualityOutOfRangeFromAnotherToolIsClampedWhenItsRowIsChosen)
{
    IsolatedSettings settings;
    settings.Write(L"", L"JpegQuality", REG_DWORD, IsolatedSettings::Dword(12));
    MessageRecorder owner;
    owner.show();
    CConfigPropertyDlg dlg(0, &owner, &kBase);
    dlg.show();
    EXPECT_EQ(Shown(dlg.m_quality), L"12") << "read as stored";
    dlg.List()->SetCurSel(dlg.List()->FindProperty(dlg.m_quality));
    dlg.List()->OnSelChange();
    EXPECT_EQ(Shown(dlg.m_quality), L"30");
    ASSERT_NE(dlg.List()->InplaceEditor(), nullptr) << "the row's editor shows the value brought back";
    EXPECT_EQ(dlg.List()->InplaceEditor()->GetWindowText(), L"30");
}

TEST(ConfigPropertyDlg, ChoiceAndCheckRowsAreEditedInPlace)
{
    DialogFixture f;
    // The thread choice through its list: Space opens it, Down and Enter choose.
    f.Click(f.dlg->m_threads);
    QTest::keyClick(&f.List(), Qt::Key_Space);
    auto* editor = EditorAs<CInplacePropertyList>(f.List());
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->Popup()->isVisible());
    EXPECT_EQ(editor->Popup()->currentRow(), 0);
    QTest::keyClick(editor->Popup(), Qt::Key_Down);
    QTest::keyClick(editor->Popup(), Qt::Key_Down);
    QTest::keyClick(editor->Popup(), Qt::Key_Return);
    EXPECT_EQ(Shown(f.dlg->m_threads), L"4");
    EXPECT_EQ(f.Help(),
              QStringLiteral("Nombre de threads:\t4\n\nNombre de threads pour les traitements séparables"));
    EXPECT_TRUE(f.List().hasFocus());
    EXPECT_TRUE(f.dlg->isVisible()) << "Enter in the list is not the dialog's";

    // Typing a letter on the transfer row opens the list on the first option with that letter;
    // Escape leaves the value as it was, Enter takes it.
    f.Click(f.dlg->m_twain);
    QTest::keyClick(&f.List(), 'm');
    auto* twain = EditorAs<CInplacePropertyList>(f.List());
    ASSERT_NE(twain, nullptr);
    ASSERT_TRUE(twain->Popup()->isVisible());
    EXPECT_EQ(twain->Popup()->currentRow(), 1);
    QTest::keyClick(twain->Popup(), Qt::Key_Escape);
    EXPECT_EQ(Shown(f.dlg->m_twain), L"Natif (BMP Windows)");
    EXPECT_TRUE(f.dlg->isVisible());
    f.Click(f.dlg->m_twain);
    QTest::keyClick(&f.List(), 'm');
    twain = EditorAs<CInplacePropertyList>(f.List());
    ASSERT_NE(twain, nullptr);
    QTest::keyClick(twain->Popup(), Qt::Key_Return);
    EXPECT_EQ(Shown(f.dlg->m_twain), L"Mémoire");

    // A double click on the choice advances it; a click on a check box row toggles it.
    QTest::mouseDClick(f.List().viewport(), Qt::LeftButton, {}, f.NameOf(f.dlg->m_twain));
    EXPECT_EQ(Shown(f.dlg->m_twain), L"Natif (BMP Windows)");
    f.Click(f.dlg->m_exifDate);
    EXPECT_EQ(Shown(f.dlg->m_exifDate), L"[ ]");
    EXPECT_EQ(f.Help(), QStringLiteral("Mise jour de la date fichier:\tnon"));
    QTest::keyClick(&f.List(), Qt::Key_Space);
    EXPECT_EQ(Shown(f.dlg->m_exifDate), L"[x]");
}

TEST(ConfigPropertyDlg, EscapeAndEnterInTheTextEditorStayInTheList)
{
    DialogFixture f;
    f.Click(f.dlg->m_quality);
    QTest::keyClick(&f.List(), '5');
    auto* editor = qobject_cast<CInplacePropertyEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("5"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(f.dlg->isVisible());
    EXPECT_EQ(Shown(f.dlg->m_quality), L"90");
    EXPECT_TRUE(f.List().hasFocus());

    QTest::keyClick(&f.List(), '6');
    editor = qobject_cast<CInplacePropertyEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "0");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(f.dlg->isVisible());
    EXPECT_EQ(Shown(f.dlg->m_quality), L"60");

    // Down in the editor keeps what was typed and moves to the next row.
    QTest::keyClick(&f.List(), '7');
    editor = qobject_cast<CInplacePropertyEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(f.dlg->m_quality), L"30");
    EXPECT_EQ(f.List().GetProperty(f.List().GetCurSel()), f.dlg->m_catExif);
}

TEST(ConfigPropertyDlg, FlagOneLeavesOnlyThePrintingCategoryOpen)
{
    DialogFixture f(1);
    std::vector<std::wstring> names;
    for (int i = 0; i < f.List().GetCount(); ++i)
        names.push_back(f.List().GetProperty(i)->GetName());
    EXPECT_EQ(names,
              (std::vector<std::wstring>{L"Threads", L"Twain", L"Jpeg", L"EXIF/Jpeg",
                                         L"Impression : Mise en page", L"Mise à l'échelle de la page:"}));
    // A click in the margin opens a category again, its rows in order below it.
    QTest::mouseClick(f.List().viewport(), Qt::LeftButton, {}, QPoint(6, f.NameOf(f.dlg->m_catExif).y()));
    EXPECT_EQ(f.List().GetProperty(4), f.dlg->m_exifSoftware);
    EXPECT_EQ(f.List().GetProperty(5), f.dlg->m_exifDate);
    EXPECT_EQ(f.List().GetProperty(6), f.dlg->m_catPrint);
    // Applying still writes the rows of closed categories.
    f.dlg->OnApply();
    EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), 90u);
    EXPECT_EQ(DialogFixture::Stored(L"NbThreads"), 1u);
}

TEST(ConfigPropertyDlg, ApplyWritesEverySettingAndTellsTheMainWindow)
{
    DialogFixture f;
    f.dlg->m_threads->SetValue(CPropertyVariant::I4(3));
    f.dlg->m_twain->SetValue(CPropertyVariant::I4(1));
    f.dlg->m_quality->SetValue(CPropertyVariant::I4(55));
    f.dlg->m_exifSoftware->SetValue(CPropertyVariant::Bool(false));
    f.dlg->m_exifDate->SetValue(CPropertyVariant::Bool(true));
    f.dlg->m_printScale->SetValue(CPropertyVariant::Bool(false));
    f.owner.Take();
    QTest::mouseClick(f.dlg->Button(16), Qt::LeftButton);
    EXPECT_EQ(DialogFixture::Stored(L"NbThreads"), 8u);
    EXPECT_EQ(DialogFixture::Stored(L"TwainMemoryTransfert"), 1u);
    EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), 55u);
    EXPECT_EQ(DialogFixture::Stored(L"ExifWriteSoftware"), 0u);
    EXPECT_EQ(DialogFixture::Stored(L"ExifWriteDate"), 0xFFFFFFFFu);
    EXPECT_EQ(DialogFixture::Stored(L"PrintMiseALEchelle"), 0u);
    EXPECT_EQ(f.owner.Take(), (std::vector<RecordedMessage>{{WM_SETTINGS_CHANGED, 0, 0}}));
    EXPECT_TRUE(f.dlg->isVisible());
    // The readers see the new values.
    EXPECT_EQ(GetJpegQuality(), 55);
    EXPECT_EQ(GetNbThreads(), 8);
    EXPECT_EQ(GetExifWriteDate(), -1);
}

TEST(ConfigPropertyDlg, OkAppliesAnnulerDoesNotAndKeepsWhatWasApplied)
{
    {
        DialogFixture f;
        f.dlg->m_quality->SetValue(CPropertyVariant::I4(70));
        QTest::mouseClick(f.dlg->Button(2), Qt::LeftButton);
        EXPECT_EQ(f.dlg->result(), 2);
        EXPECT_FALSE(f.dlg->isVisible());
        EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), std::nullopt);
        EXPECT_TRUE(f.owner.Take(WM_SETTINGS_CHANGED).empty());
    }
    {
        DialogFixture f;
        f.dlg->m_quality->SetValue(CPropertyVariant::I4(70));
        QTest::mouseClick(f.dlg->Button(16), Qt::LeftButton);
        f.dlg->m_quality->SetValue(CPropertyVariant::I4(40));
        QTest::keyClick(f.dlg.get(), Qt::Key_Escape);
        EXPECT_EQ(f.dlg->result(), 2);
        EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), 70u);
    }
    {
        DialogFixture f;
        f.dlg->m_quality->SetValue(CPropertyVariant::I4(45));
        QTest::mouseClick(f.dlg->Button(1), Qt::LeftButton);
        EXPECT_EQ(f.dlg->result(), 1);
        EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), 45u);
        EXPECT_EQ(f.owner.Take(WM_SETTINGS_CHANGED).size(), 1u);
    }
}

TEST(ConfigPropertyDlg, AnyNonzeroTransferModeShowsAndKeepsMemory)
{
    IsolatedSettings settings;
    settings.Write(L"", L"TwainMemoryTransfert", REG_DWORD, IsolatedSettings::Dword(5));
    MessageRecorder owner;
    CConfigPropertyDlg dlg(0, &owner, &kBase);
    EXPECT_EQ(Shown(dlg.m_twain), L"Mémoire");
    dlg.OnApply();
    EXPECT_EQ(GetTwainMemoryTransfert() != 0, true) << "applying does not turn memory transfer off";
}

TEST(ConfigPropertyDlg, OpenedFromTheConfigurationMenuOfEveryMenuBar)
{
    for (int menuId : {128, 129, 130})
    {
        bool found = false;
        for (const MenuEntry& popup : MenuResource(menuId))
            if (std::strcmp(popup.text, "&Configuration") == 0)
                for (const MenuEntry& item : popup.children)
                    if (item.id == kCmdConfiguration)
                    {
                        found = true;
                        EXPECT_STREQ(item.text, "&Configuration...");
                    }
        EXPECT_TRUE(found) << "menu " << menuId;
    }

    testshell::FrameFixture frame;
    QString title;
    int rows = -1;
    QTimer::singleShot(0,
                       [&]
                       {
                           auto* dlg = qobject_cast<CConfigPropertyDlg*>(QApplication::activeModalWidget());
                           if (!dlg) return;
                           title = dlg->windowTitle();
                           rows = dlg->List()->GetCount();
                           dlg->Button(16)->click();
                           dlg->Button(2)->click();
                       });
    EXPECT_TRUE(frame.frame->OnCommand(kCmdConfiguration));
    EXPECT_EQ(title, QStringLiteral("Orvalis 5 : configuration"));
    EXPECT_EQ(rows, 11) << "every category open";
    EXPECT_EQ(DialogFixture::Stored(L"JpegQuality"), 90u) << "the dialog applied to the frame's settings";
}

TEST(PropertyListCtrl, PaintsRowsSelectionAndCategoryBoxes)
{
    QDialog dialog;
    auto* list = new CPropertyListCtrl(&dialog);
    auto* other = new QPushButton(QStringLiteral("x"), &dialog);
    list->setGeometry(0, 0, 240, 120);
    other->setGeometry(0, 130, 40, 20);
    list->SetExtendedListStyle(PLS_CATEGORIZED);
    auto* open = new CCategoryProperty(L"ouverte");
    auto* row = new CPropertyItem(L"valeur", CPropertyVariant::I4(3));
    auto* closed = new CCategoryProperty(L"fermée");
    list->AddItem(open);
    list->AddItem(row);
    list->AddItem(closed);
    list->AddItem(new CPropertyItem(L"cachée", CPropertyVariant::I4(4)));
    list->CollapseItem(closed);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    list->setFocus();
    list->SetCurSel(1);
    list->OnSelChange();

    const int h = QFontMetrics(list->font()).height() + 3;
    EXPECT_EQ(list->RowHeight(), h);
    const QPalette pal = list->palette();
    auto pixel = [&](int x, int y)
    {
        const QImage image = list->viewport()->grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        return QColor(image.pixel(int(x * dpr), int(y * dpr)));
    };
    // The selected row's name is highlighted while the list has the focus, and only then.
    EXPECT_EQ(pixel(20, h + 2), pal.color(QPalette::Active, QPalette::Highlight));
    other->setFocus();
    EXPECT_EQ(pixel(20, h + 2), pal.color(QPalette::Active, QPalette::Base));
    // Each row ends with a border line; the margin holds the boxes, a plus for the closed one.
    EXPECT_EQ(pixel(100, h - 1), pal.color(QPalette::Active, QPalette::Button));
    const int mid = h + h + h / 2;
    EXPECT_EQ(pixel(8, mid - 2), QColor(Qt::black)) << "the plus of the closed category";
    EXPECT_NE(pixel(8, h / 2 - 2), QColor(Qt::black)) << "a minus for the open one";
    EXPECT_EQ(pixel(8, h / 2), QColor(Qt::black));
}
