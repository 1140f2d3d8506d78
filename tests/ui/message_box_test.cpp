// The window's message boxes: exact captions, Russian buttons in any locale, and a box
// whose window is not on screen yet centred on the screen.
#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace torv {
namespace {

struct SeenBox {
    QString title;
    QStringList buttons;
    QRect geometry;
};

// Shows the message, notes what the box shows and answers with the button that reads `answer`.
SeenBox ShowAndAnswer(QWidget* parent, const Message& message, const QString& answer, Answer* result)
{
    SeenBox seen;
    // Looked at once the box is shown and placed (a window system moves it asynchronously).
    QTimer::singleShot(200, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.geometry = box->frameGeometry();
        for (QAbstractButton* button : box->buttons())
            seen.buttons.append(button->text());
        for (QAbstractButton* button : box->buttons())
            if (button->text() == answer)
                button->click();
    });
    *result = ShowMessageBox(parent, message);
    return seen;
}

TEST(MessageBoxTest, RussianButtonsAndExactCaptionInTheCLocale)
{
    QLocale::setDefault(QLocale::c());
    Answer answer = Answer::Ok;
    SeenBox seen = ShowAndAnswer(nullptr, Message{"Нет ответа", "Ошибка", MessageFlags::kRetryCancelError},
                                 QString::fromUtf8("Повторить"), &answer);
    EXPECT_EQ(seen.title, QString::fromUtf8("Ошибка"));
    seen.buttons.sort();
    EXPECT_EQ(seen.buttons, (QStringList{QString::fromUtf8("Отмена"), QString::fromUtf8("Повторить")}));
    EXPECT_EQ(answer, Answer::Retry);

    seen =
        ShowAndAnswer(nullptr, Message{"Сетка", "Внимание!", MessageFlags::kOkPlain}, QString::fromUtf8("ОК"), &answer);
    EXPECT_EQ(seen.title, QString::fromUtf8("Внимание!"));
    EXPECT_EQ(seen.buttons, QStringList{QString::fromUtf8("ОК")});
    EXPECT_EQ(answer, Answer::Ok);
    QLocale::setDefault(QLocale::system());
}

TEST(MessageBoxTest, BoxOfAWindowNotYetShownIsCentredOnTheScreen)
{
    QWidget hiddenWindow;
    hiddenWindow.setGeometry(0, 0, 400, 210);
    Answer answer = Answer::Cancel;
    const SeenBox seen = ShowAndAnswer(&hiddenWindow, Message{"Нет портов", "Ошибка", MessageFlags::kOkError},
                                       QString::fromUtf8("ОК"), &answer);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((seen.geometry.center() - screenCentre).manhattanLength(), 4)
        << seen.geometry.x() << "," << seen.geometry.y();
    EXPECT_EQ(answer, Answer::Ok);
}

}  // namespace
}  // namespace torv
