#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Prompt, RealBoxesHaveFrenchButtonsAndGiveTheAnswer)
{
    struct Case
    {
        PromptButtons buttons;
        QStringList texts;
        QString click;
        int answer;
    };
    const Case cases[] = {
        {PromptButtons::Ok, {"OK"}, "OK", IDOK},
        {PromptButtons::YesNoCancel, {"Oui", "Non", "Annuler"}, "Non", IDNO},
        {PromptButtons::YesNoCancel, {"Oui", "Non", "Annuler"}, "Annuler", IDCANCEL},
        {PromptButtons::YesNo, {"Oui", "Non"}, "Oui", IDYES},
        {PromptButtons::OkCancel, {"OK", "Annuler"}, "Annuler", IDCANCEL},
    };
    for (const Case& c : cases)
    {
        QStringList seen;
        QTimer::singleShot(0,
                           [&seen, &c]
                           {
                               auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                               ASSERT_NE(box, nullptr);
                               EXPECT_EQ(box->text(), QStringLiteral("Sauver a.png ?"));
                               for (QAbstractButton* b : box->buttons())
                                   seen << b->text();
                               for (QAbstractButton* b : box->buttons())
                                   if (b->text() == c.click) b->click();
                           });
        const int answer = ShowPrompt(nullptr, QStringLiteral("Sauver a.png ?"), QStringLiteral("Orvalis 5"),
                                      c.buttons, PromptIcon::Question);
        EXPECT_EQ(answer, c.answer);
        seen.sort();
        QStringList expected = c.texts;
        expected.sort();
        EXPECT_EQ(seen, expected);
    }
}
