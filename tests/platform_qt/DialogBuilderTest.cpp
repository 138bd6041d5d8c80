#include "resources/DialogBuilder.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace
{
// Base units of the dialog font the templates were drawn with.
constexpr DialogBaseUnits kUnits{6, 13};
} // namespace

TEST(DialogBuilder, PlacesEveryControlInDialogUnitsInTemplateOrder)
{
    const DialogTemplate* t = FindDialogTemplate(213);
    ASSERT_NE(t, nullptr);
    QDialog dialog;
    const CDialogControls controls = BuildDialog(dialog, *t, &kUnits);

    EXPECT_EQ(dialog.size(), QSize(335, 112)) << "223 x 69 dialog units at 6 x 13";
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("1slider"));
    ASSERT_EQ(controls.All().size(), 6u);
    EXPECT_EQ(controls.Get(1)->geometry(), QRect(165, 76, 75, 23));
    EXPECT_EQ(controls.Get(1043)->geometry(), QRect(11, 11, 313, 35));
    EXPECT_EQ(controls.Get(1043)->objectName(), QStringLiteral("ctl1043"));

    auto* ok = controls.Get<QPushButton>(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(controls.Get<QPushButton>(1052)->isDefault());
    EXPECT_EQ(controls.Get<QSlider>(1043)->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(controls.Get<QLabel>(1045)->text(), QStringLiteral("Valeur:"));

    // Creation order is the tab order: OK first, so it has the first focus as in the template.
    const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_GE(children.size(), 6);
    EXPECT_EQ(children[0], controls.Get(1));
    EXPECT_EQ(children[2], controls.Get(1043));
}

TEST(DialogBuilder, SliderTemplatesDoNotOverlap)
{
    for (int id : {213, 214, 215})
    {
        const DialogTemplate* t = FindDialogTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        QDialog dialog;
        const CDialogControls controls = BuildDialog(dialog, *t, &kUnits);
        const QRect client(QPoint(0, 0), dialog.size());
        for (const auto& [a, wa] : controls.All())
        {
            EXPECT_TRUE(client.contains(wa->geometry())) << id << " control " << a;
            for (const auto& [b, wb] : controls.All())
            {
                if (a < b)
                {
                    EXPECT_FALSE(wa->geometry().intersects(wb->geometry()))
                        << id << ": " << a << " and " << b;
                }
            }
        }
    }
}

namespace
{
// clang-format off
const DialogControl kRadios[] = {
    {10, DlgKind::Radio, "a", 0, 0, 20, 10},
    {11, DlgKind::Radio, "b", 0, 10, 20, 10},
    {12, DlgKind::Static, "x", 0, 20, 20, 10},
    {13, DlgKind::PushRadio, "c", 0, 30, 20, 10},
    {14, DlgKind::PushRadio, "d", 0, 40, 20, 10},
    {15, DlgKind::Radio, "e", 0, 50, 20, 10, kDlgGroupStart},
    {16, DlgKind::Combo, nullptr, 0, 60, 40, 78},
};
// clang-format on
const DialogTemplate kRadioTemplate{1, "radios", 100, 140, kRadios};
} // namespace

TEST(DialogBuilder, RadiosFormOneExclusiveGroupPerRun)
{
    QDialog dialog;
    const CDialogControls controls = BuildDialog(dialog, kRadioTemplate, &kUnits);
    auto group = [&](int id) { return controls.Get<QAbstractButton>(id)->group(); };
    ASSERT_NE(group(10), nullptr);
    EXPECT_EQ(group(10), group(11));
    EXPECT_NE(group(13), group(11)) << "a control between two runs of radios separates them";
    EXPECT_EQ(group(13), group(14));
    EXPECT_NE(group(15), group(14)) << "a group mark starts a new group";
    EXPECT_TRUE(group(10)->exclusive());
    EXPECT_EQ(group(13)->id(controls.Get<QAbstractButton>(14)), 14);
    EXPECT_TRUE(controls.Get<QAbstractButton>(13)->isCheckable());

    // A combo box's template height includes its list: the closed box keeps its own height.
    EXPECT_EQ(controls.Get(16)->height(), controls.Get<QComboBox>(16)->sizeHint().height());
}

TEST(DialogBuilder, FactoryReplacesTheStandardWidget)
{
    QDialog dialog;
    QWidget* made = nullptr;
    const CDialogControls controls = BuildDialog(dialog, *FindDialogTemplate(214), &kUnits,
                                                 [&](const DialogControl& c, QWidget* parent) -> QWidget*
                                                 {
                                                     if (c.id != 1046) return nullptr;
                                                     made = new QWidget(parent);
                                                     return made;
                                                 });
    EXPECT_EQ(controls.Get(1046), made);
    EXPECT_EQ(made->objectName(), QStringLiteral("ctl1046"));
    EXPECT_EQ(made->geometry(), QRect(11, 96, 313, 28));
    EXPECT_NE(controls.Get<QSlider>(1043), nullptr);
}
