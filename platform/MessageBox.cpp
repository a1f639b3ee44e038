#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QQueue>

#include "core/GenModule.h"

namespace {
struct QueuedAnswer {
    int code;
    std::function<void()> whileOpen;
};

bool s_testMode = false;
int s_openCount = 0;
QQueue<QueuedAnswer> s_answers;
QList<MessageBox::Shown> s_shown;

// The answer a box gives when nobody chose one: its default button.
int defaultAnswer(MessageBox::Buttons buttons, MessageBox::DefaultButton def)
{
    const bool second = def == MessageBox::DefaultButton2;
    switch (buttons) {
    case MessageBox::YesNo:
        return second ? MessageBox::No : MessageBox::Yes;
    case MessageBox::OkCancel:
        return second ? MessageBox::Cancel : MessageBox::Ok;
    case MessageBox::OkOnly:
        break;
    }
    return MessageBox::Ok;
}

int runRealBox(const QString &text, MessageBox::Buttons buttons, MessageBox::Icon icon, const QString &title,
    MessageBox::DefaultButton def)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MessageBox::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageBox::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageBox::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageBox::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageBox::NoIcon:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButton second = QMessageBox::NoButton;
    if (buttons == MessageBox::YesNo) {
        first = QMessageBox::Yes;
        second = QMessageBox::No;
    } else if (buttons == MessageBox::OkCancel) {
        second = QMessageBox::Cancel;
    }
    box.setStandardButtons(second == QMessageBox::NoButton ? QMessageBox::StandardButtons(first) : (first | second));
    box.setDefaultButton(def == MessageBox::DefaultButton2 && second != QMessageBox::NoButton ? second : first);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageBox::Yes;
    case QMessageBox::No:
        return MessageBox::No;
    case QMessageBox::Cancel:
        return MessageBox::Cancel;
    default:
        break;
    }
    // Closing a box by its close button answers its escape choice.
    return buttons == MessageBox::OkOnly ? MessageBox::Ok
        : buttons == MessageBox::YesNo   ? MessageBox::No
                                         : MessageBox::Cancel;
}
} // namespace

int MessageBox::show(QString text, Buttons buttons, Icon icon, QString title, DefaultButton defaultButton)
{
    ++s_openCount;
    int answer = 0;
    if (s_testMode) {
        answer = defaultAnswer(buttons, defaultButton);
        std::function<void()> whileOpen;
        if (!s_answers.isEmpty()) {
            QueuedAnswer queued = s_answers.dequeue();
            answer = queued.code;
            whileOpen = std::move(queued.whileOpen);
        }
        s_shown.append(Shown{text, title, buttons, icon, defaultButton, answer});
        if (whileOpen)
            whileOpen();
    } else {
        answer = runRealBox(text, buttons, icon, title, defaultButton);
    }
    --s_openCount;
    gMsgResult = QString::number(answer);
    return answer;
}

int MessageBox::openCount()
{
    return s_openCount;
}

void MessageBox::setTestMode(bool on)
{
    s_testMode = on;
    s_answers.clear();
    s_shown.clear();
}

bool MessageBox::testMode()
{
    return s_testMode;
}

void MessageBox::setNextAnswer(int code, std::function<void()> whileOpen)
{
    s_answers.enqueue(QueuedAnswer{code, std::move(whileOpen)});
}

const QList<MessageBox::Shown> &MessageBox::shown()
{
    return s_shown;
}

void MessageBox::clearShown()
{
    s_shown.clear();
    s_answers.clear();
}
