// The image menus of menu 129: their popups, items and texts, their enabling, and effects run
// from them through the main frame.
#include "ShellFixture.h"

#include "dialogs/EffectDialogs.h"
#include "document/ImageCommands.h"
#include "imagelib/effects/ColorEffects.h"
#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CStatusProgress.h"
#include "views/CChildFrame.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <thread>

using testshell::FrameFixture;

namespace
{
// The items of a menu as text: command ids, "-" for separators, Title{...} for popups.
QString Describe(const QMenu* menu)
{
    QStringList parts;
    for (const QAction* a : menu->actions())
    {
        if (a->menu())
            parts << a->menu()->title() + QStringLiteral("{") + Describe(a->menu()) + QStringLiteral("}");
        else if (a->isSeparator())
            parts << QStringLiteral("-");
        else
            parts << QString::number(CommandIdOf(a));
    }
    return parts.join(QLatin1Char(' '));
}

// The command items of a menu, depth first.
void Items(const QMenu* menu, std::vector<const QAction*>& out)
{
    for (const QAction* a : menu->actions())
    {
        if (a->menu())
            Items(a->menu(), out);
        else if (!a->isSeparator())
            out.push_back(a);
    }
}

QMenu* Popup(CMainFrame& frame, const QString& title)
{
    for (QMenu* m : frame.CurrentMenus())
        if (m->title() == title) return m;
    return nullptr;
}

QAction* MenuItem(CMainFrame& frame, int id)
{
    for (QMenu* m : frame.CurrentMenus())
        if (QAction* a = FindMenuAction(m, id)) return a;
    return nullptr;
}

CImageDoc* ActiveDocument(CMainFrame& frame)
{
    auto* child = dynamic_cast<CChildFrame*>(frame.MdiArea()->currentSubWindow());
    return child ? child->BitmapView().Document() : nullptr;
}

// Inverts the blue byte of every row and records which thread did it.
class ThreadRecordingEffect : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel) override
    {
        {
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        }
        for (int x = 0; x < image.Width(); ++x)
            row[x * bytesPerPixel] = BYTE(255 - row[x * bytesPerPixel]);
    }
    static inline std::mutex mutex;
    static inline std::set<std::thread::id> threads;
};

std::unique_ptr<FCImageEffect> RecordingDialog(CImageDoc&, int, QWidget*)
{
    return std::make_unique<ThreadRecordingEffect>();
}

struct ProcessorCount
{
    explicit ProcessorCount(int n) { SetProcessorCountForTesting(n); }
    ~ProcessorCount() { SetProcessorCountForTesting(0); }
};
} // namespace

TEST(ImageMenu, PopupsItemsAndTextsOfMenu129)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("m.png"), false));
    ASSERT_EQ(f.frame->CurrentMenuId(), 129);
    QStringList titles;
    for (QMenu* m : f.frame->CurrentMenus())
        titles << m->title();
    EXPECT_EQ(titles, (QStringList{"&Ficher", "&Edition", "&Image", "Effets", "&Traitements", "&Outils",
                                   "&Configuration", QStringLiteral("Fenêtre")}));

    // Where every item stands.
    const std::map<QString, QString> layout = {
        {"&Image", "32901 32900 32897 32898 32915 32922 "
                   "Couleurs{32924 32948 32925 32927 32928 32933 32930 32942 32943 32911 32909 32944 32945 "
                   "32947 32940 32941} "
                   "32918 32919 32923 32979 32981 32905 32906 32908 "
                   "Flou{32949 32951 32953 32955 32957} Netteté{32960 32962}"},
        {"Effets", "32964 Couleur{32966 33012 32968 32967} 32969 32970 32971 32973 32978 32976 32974 32977"},
        {"&Traitements", "32989 32983 32985 32984 32986 32990 32988 33047 33046 "
                         "Contours{32995 32996 32992 32999 32997 32991 32993} "
                         "Opérateurs morphologiques{33005 33121 33006 33008 33011}"},
        {"&Outils", "Vues RVB{33062 33068 33064 33069 33066 33070} "
                    "Vues YUV{33072 33073 33077 33074 33078} "
                    "Vues Fourier (Luminance){33081 33082 33119} "
                    "Filtres Fourier (Luminance){33088 33097 33091 33094 - 33089 33096 33099 33100 - "
                    "33090 33098 33092 33095 - 33093} "
                    "Filtres Fourier (Y+U+V){33106 33115 33109 33112 - 33107 33114 33117 33118 - "
                    "33108 33116 33110 33113 - 33111}"},
    };
    std::vector<const QAction*> items;
    for (const auto& [title, expected] : layout)
    {
        const QMenu* popup = Popup(*f.frame, title);
        ASSERT_NE(popup, nullptr) << title.toStdString();
        EXPECT_EQ(Describe(popup), expected) << title.toStdString();
        Items(popup, items);
    }

    // The popups hold the document's commands in its table's order, with the table's texts; the
    // file and history commands stand in "&Ficher" and "&Edition".
    std::vector<int> tableIds, menuIds;
    for (const ImageCommand& c : ImageCommandTable())
    {
        QAction* a = MenuItem(*f.frame, c.id);
        ASSERT_NE(a, nullptr) << c.id;
        EXPECT_EQ(a->text(), QString::fromUtf8(c.menuText)) << c.id;
        if (c.kind != ImageCommandKind::File) tableIds.push_back(c.id);
    }
    for (const QMenu* popup : {Popup(*f.frame, "&Image"), Popup(*f.frame, "Effets"),
                               Popup(*f.frame, "&Traitements"), Popup(*f.frame, "&Outils")})
    {
        std::vector<const QAction*> in;
        Items(popup, in);
        for (const QAction* a : in)
            menuIds.push_back(CommandIdOf(a));
    }
    EXPECT_EQ(menuIds, tableIds);
    for (int id : {kCmdFileSave, kCmdFileSaveAs, kCmdFileInfo})
        EXPECT_NE(FindMenuAction(Popup(*f.frame, "&Ficher"), id), nullptr) << id;
    for (int id : {kCmdEditUndo, kCmdEditRedo})
        EXPECT_NE(FindMenuAction(Popup(*f.frame, "&Edition"), id), nullptr) << id;

    // Texts that are easy to get wrong.
    const std::map<int, QString> texts = {
        {kCmdReduceNoise, QStringLiteral("Déparasitage ")},
        {kCmdBrightnessContrast, QStringLiteral("Contraste && Luminosité...")},
        {kCmdHueSaturation, QStringLiteral("Teinte && Saturation...")},
        {kCmdPasseBas, QStringLiteral("Passe &Bas")},
        {kCmdMedian, QStringLiteral("&Médian")},
        {kCmdRotate90, QStringLiteral("Rotation 90°")},
        {kCmdReduce, QStringLiteral("Réduire (x0,5)")},
        {kCmdPosterize, QStringLiteral("Postériser...")},
        {kCmdCanny, QStringLiteral("Opérateur de canny")},
        {kCmdFourierCarreCoupeBande, QStringLiteral("Fenêtre carrée coupe- bande")},
        {kCmdFourierYuvCarreCoupeBande, QStringLiteral("Fenêtre carrée coupe bande")},
        {kCmdViewRedAsGrey, QStringLiteral("Canal Rouge -> Luminance")},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(MenuItem(*f.frame, id)->text(), text) << id;

    // The image commands, the configuration, page set-up and acquisition items and the Fourier
    // filters show the pictures of their toolbars.
    for (int toolbar : {kResImageToolBar, kResFourierToolBar, kResToolFrameToolBar})
        for (const ToolBarButton& b : ToolBarResource(toolbar))
        {
            if (b.id == 0) continue;
            const QAction* item = MenuItem(*f.frame, b.id);
            ASSERT_NE(item, nullptr) << b.id;
            const QImage shown = item->icon().pixmap(20, 20).toImage();
            EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32),
                      StripImage(toolbar, b.image).toImage().convertToFormat(QImage::Format_ARGB32))
                << b.id;
        }
}

TEST(ImageMenu, ItemsAreGreyedWithoutADocumentOrWithoutTheirDialogOrView)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("e.png"), false));
    // A dialog the frame knows, and whatever rows have none yet.
    const EffectDialogRunner previous = FindEffectDialog(kCmdFourierGaussien);
    const EffectDialogEntry entry[] = {{kCmdFourierGaussien, RecordingDialog}};
    RegisterEffectDialogs(entry);
    f.frame->UpdateUIState();
    for (const ImageCommand& c : ImageCommandTable())
    {
        QAction* a = MenuItem(*f.frame, c.id);
        ASSERT_NE(a, nullptr) << c.id;
        if (IsEffectDialogKind(c.kind))
        {
            EXPECT_EQ(a->isEnabled(), f.frame->HasEffectDialog(c.id)) << c.id;
        }
        else if (c.kind == ImageCommandKind::ToolView)
        {
            EXPECT_EQ(a->isEnabled(), f.frame->HasToolView(c.id)) << c.id;
        }
        else if (c.kind != ImageCommandKind::File)
        {
            EXPECT_TRUE(a->isEnabled()) << c.id;
        }
    }
    EXPECT_TRUE(f.frame->Actions().Find(kCmdFourierGaussien)->isEnabled());

    // Without an active image window every item of the image menus is off.
    const QAction* invert = f.frame->Actions().Find(kCmdInvert);
    f.frame->OnCommand(kCmdFileClose);
    f.Settle();
    ASSERT_EQ(f.Windows(), 0);
    f.frame->UpdateUIState();
    for (const ImageCommand& c : ImageCommandTable())
    {
        if (c.kind == ImageCommandKind::File) continue;
        EXPECT_FALSE(f.frame->Actions().Find(c.id)->isEnabled()) << c.id;
    }
    EXPECT_FALSE(invert->isEnabled());
    if (previous)
    {
        const EffectDialogEntry back[] = {{kCmdFourierGaussien, previous}};
        RegisterEffectDialogs(back);
    }
}

// The frame as it starts: every row of the command table reaches its dialog or its tool window,
// so that with an image window open the image menus grey nothing but Undo and Redo.
TEST(ImageMenu, EveryRowOfTheFrameAsItStartsHasItsDialogOrViewAndIsOffered)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("all.png"), false));
    f.frame->UpdateUIState();
    for (const ImageCommand& c : ImageCommandTable())
    {
        if (IsEffectDialogKind(c.kind))
        {
            EXPECT_TRUE(f.frame->HasEffectDialog(c.id)) << c.id << " " << c.menuText;
            EXPECT_NE(FindEffectDialog(c.id), nullptr) << c.id;
        }
        if (c.kind == ImageCommandKind::ToolView)
        {
            EXPECT_TRUE(f.frame->HasToolView(c.id)) << c.id << " " << c.menuText;
        }
        if (c.id == kCmdEditUndo || c.id == kCmdEditRedo) continue;
        const QAction* a = MenuItem(*f.frame, c.id);
        ASSERT_NE(a, nullptr) << c.id;
        EXPECT_TRUE(a->isEnabled()) << c.id << " " << c.menuText;
    }
}

TEST(ImageMenu, EffectsFromTheMenuUseTheSettingsThreadsShowProgressAndStopOnEscape)
{
    FrameFixture f;
    const ProcessorCount processors(8);
    f.settings.Write(L"", L"NbThreads", REG_DWORD, testshell::IsolatedSettings::Dword(4));
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("p.png", 60, 400), false));
    CImageDoc* doc = ActiveDocument(*f.frame);
    ASSERT_NE(doc, nullptr);
    const FCObjImage original = doc->GetImage();
    f.frame->UpdateUIState();

    std::vector<int> shown;
    QObject::connect(f.frame->ProgressBar(), &QProgressBar::valueChanged,
                     [&shown](int v) { shown.push_back(v); });

    // "Négatif" from its menu item; a second one asked while the first reports is not run.
    QAction* invert = MenuItem(*f.frame, kCmdInvert);
    ASSERT_TRUE(invert && invert->isEnabled());
    bool askedWhileRunning = false;
    QTimer::singleShot(0, f.frame.get(),
                       [&]
                       {
                           askedWhileRunning = doc->IsBusy();
                           invert->trigger();
                       });
    invert->trigger();
    EXPECT_TRUE(askedWhileRunning);
    FCObjImage inverted(original);
    FCEffectInvert effect;
    FCObjImage::ApplyEffect(inverted, effect, nullptr);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), inverted)) << "inverted exactly once";
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_FALSE(shown.empty()) << "the status bar showed the progress";
    EXPECT_TRUE(f.frame->ProgressBar()->isHidden()) << "and hid it at the end";
    f.Settle();
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), inverted)) << "the queued command was dropped";

    // Escape stops it: the picture comes back, and so does the undo level of the first inversion.
    QCoreApplication::postEvent(f.frame.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    invert->trigger();
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), inverted));
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_TRUE(testimg::SamePixels(doc->GetUndoImage(), original));

    // A dialog row: its effect runs on the four threads of the settings.
    const EffectDialogRunner previous = FindEffectDialog(kCmdFourierGaussien);
    const EffectDialogEntry entry[] = {{kCmdFourierGaussien, RecordingDialog}};
    RegisterEffectDialogs(entry);
    f.frame->UpdateUIState();
    ThreadRecordingEffect::threads.clear();
    QAction* filter = MenuItem(*f.frame, kCmdFourierGaussien);
    ASSERT_TRUE(filter && filter->isEnabled());
    filter->trigger();
    EXPECT_EQ(ThreadRecordingEffect::threads.size(), 4u);
    EXPECT_EQ(doc->GetImage().PixelAddress(3, 300)[0], BYTE(255 - inverted.PixelAddress(3, 300)[0]));
    EXPECT_TRUE(doc->CanUndo());
    if (previous)
    {
        const EffectDialogEntry back[] = {{kCmdFourierGaussien, previous}};
        RegisterEffectDialogs(back);
    }
}
