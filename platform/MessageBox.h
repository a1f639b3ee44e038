#pragma once

#include <functional>

#include <QList>
#include <QString>

// The program's one way to ask the user something. Every box stores its answer code as decimal
// text in gMsgResult. Tests switch on test mode, queue answers and read what was shown; a box in
// test mode never waits.
class MessageBox final {
public:
    enum Buttons { OkOnly = 0, OkCancel = 1, YesNo = 4 };
    enum Icon { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
    enum DefaultButton { DefaultButton1 = 0, DefaultButton2 = 256 };
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    struct Shown {
        QString text;
        QString title;
        Buttons buttons = OkOnly;
        Icon icon = NoIcon;
        DefaultButton defaultButton = DefaultButton1;
        int answer = 0;
    };

    // Takes its texts by value: a box runs an event loop, during which the object a caller's
    // text lives in (say, gDB's last error) may be reset.
    static int show(
        QString text, Buttons buttons, Icon icon, QString title, DefaultButton defaultButton = DefaultButton1);

    // How many boxes are open right now (nested boxes count once each).
    static int openCount();

    // Test seam.
    static void setTestMode(bool on);
    static bool testMode();
    // The next box answers `code`; `whileOpen` runs while that box is still open.
    static void setNextAnswer(int code, std::function<void()> whileOpen = {});
    static const QList<Shown> &shown();
    static void clearShown();

private:
    MessageBox() = delete;
};
