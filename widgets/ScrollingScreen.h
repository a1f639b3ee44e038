#pragma once

#include <QWidget>

class QScrollArea;

// A screen of fixed-position controls that scrolls when its child window is smaller than they
// need, so that it stays usable in a small main window.
class ScrollingScreen : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScrollingScreen)

public:
    explicit ScrollingScreen(QWidget *parent = nullptr);
    ~ScrollingScreen() override;

protected:
    // The widget the controls are placed on.
    QWidget *content() const { return m_content; }
    // Sizes the content to hold every visible control, and at least the visible area.
    void updateContentSize();
    // Stretches `frame` to 100 twips short of the screen's client width (twips), then each box
    // inside it to 100 twips short of the frame's right edge. A width that would come out
    // negative is left as it is; the others are still set.
    void stretchFrame(QWidget *frame, const QList<QWidget *> &boxes, double clientWidth);

private:
    QScrollArea *m_scroll;
    QWidget *m_content;
};
