#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{
// Shows a real box and acts on it once it is up; returns the answer.
int AskAndAct(PromptButtons buttons, const QString& caption, const std::function<void(QMessageBox*)>& act)
{
    QTimer::singleShot(0,
                       [act]
                       {
                           auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                           ASSERT_NE(box, nullptr);
                           // Active as on a desktop, where Alt+letter reaches its button.
                           box->activateWindow();
                           EXPECT_TRUE(QTest::qWaitForWindowActive(box));
                           QTimer::singleShot(5000, box,
                                              [box]
                                              {
                                                  ADD_FAILURE() << "the box did not answer";
                                                  box->done(0);
                                              });
                           act(box);
                       });
    return ShowPrompt(nullptr, QStringLiteral("Sauver a.png ?"), caption, buttons, PromptIcon::Question);
}

QAbstractButton* ButtonOf(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}
} // namespace

TEST(Prompt, RealBoxesHaveFrenchButtonsWithTheDesktopsLetters)
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
        {PromptButtons::YesNoCancel, {"&Oui", "&Non", "Annuler"}, "&Non", IDNO},
        {PromptButtons::YesNoCancel, {"&Oui", "&Non", "Annuler"}, "Annuler", IDCANCEL},
        {PromptButtons::YesNo, {"&Oui", "&Non"}, "&Oui", IDYES},
        {PromptButtons::OkCancel, {"OK", "Annuler"}, "Annuler", IDCANCEL},
    };
    for (const Case& c : cases)
    {
        QStringList seen;
        QString title;
        const int answer = AskAndAct(c.buttons, QStringLiteral("Orvalis 5"),
                                     [&](QMessageBox* box)
                                     {
                                         EXPECT_EQ(box->text(), QStringLiteral("Sauver a.png ?"));
                                         title = box->windowTitle();
                                         for (QAbstractButton* b : box->buttons())
                                             seen << b->text();
                                         if (QAbstractButton* b = ButtonOf(box, c.click)) b->click();
                                     });
        EXPECT_EQ(answer, c.answer) << c.click.toStdString();
        EXPECT_EQ(title, QStringLiteral("Orvalis 5"));
        seen.sort();
        QStringList expected = c.texts;
        expected.sort();
        EXPECT_EQ(seen, expected);
    }
}

TEST(Prompt, KeysAnswerAsOnTheDesktop)
{
    struct Case
    {
        PromptButtons buttons;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int answer;
    };
    const Case cases[] = {
        {PromptButtons::YesNoCancel, Qt::Key_N, Qt::NoModifier, IDNO},
        {PromptButtons::YesNoCancel, Qt::Key_N, Qt::AltModifier, IDNO},
        {PromptButtons::YesNoCancel, Qt::Key_O, Qt::NoModifier, IDYES},
        {PromptButtons::YesNoCancel, Qt::Key_Escape, Qt::NoModifier, IDCANCEL},
        {PromptButtons::YesNoCancel, Qt::Key_Return, Qt::NoModifier, IDYES},
        {PromptButtons::YesNo, Qt::Key_N, Qt::NoModifier, IDNO},
        {PromptButtons::Ok, Qt::Key_Escape, Qt::NoModifier, IDOK},
        {PromptButtons::Ok, Qt::Key_Return, Qt::NoModifier, IDOK},
        {PromptButtons::OkCancel, Qt::Key_Escape, Qt::NoModifier, IDCANCEL},
    };
    for (const Case& c : cases)
    {
        const int answer = AskAndAct(c.buttons, QStringLiteral("Orvalis 5"),
                                     [&c](QMessageBox* box) { QTest::keyClick(box, c.key, c.modifiers); });
        EXPECT_EQ(answer, c.answer) << "key " << c.key << " modifiers " << int(c.modifiers);
    }
}

TEST(Prompt, AYesNoQuestionIsNotDismissedWithEscapeOrTheTitleBar)
{
    bool stillOpen = false;
    const int answer = AskAndAct(PromptButtons::YesNo, QStringLiteral("Orvalis 5"),
                                 [&stillOpen](QMessageBox* box)
                                 {
                                     QTest::keyClick(box, Qt::Key_Escape);
                                     box->close();
                                     QTimer::singleShot(150, box,
                                                        [box, &stillOpen]
                                                        {
                                                            stillOpen = box->isVisible();
                                                            ButtonOf(box, QStringLiteral("&Non"))->click();
                                                        });
                                 });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(answer, IDNO);
}

TEST(Prompt, AnEmptyCaptionShowsAnEmptyTitleBar)
{
    QString title;
    AskAndAct(PromptButtons::Ok, QString(),
              [&title](QMessageBox* box)
              {
                  title = box->windowTitle();
                  box->buttons().front()->click();
              });
    // An empty title would be replaced by the program's name.
    EXPECT_FALSE(title.isEmpty());
    EXPECT_TRUE(title.trimmed().isEmpty()) << title.toStdString();
}
