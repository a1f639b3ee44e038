#pragma once

#include <QWidget>

class QScrollArea;

// A screen of fixed-position controls that scrolls when its child window is smaller than they
// need, so that it stays usable in a small main window.
class ScrollingScreen : public QWidget
{
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

private:
    QScrollArea *m_scroll;
    QWidget *m_content;
};
