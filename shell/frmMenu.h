#pragma once

#include <QWidget>

#include "platform/MenuCommand.h"

class QGroupBox;
class QToolButton;

// The menu down the left edge of the main window: seven picture buttons that open the screens,
// the documents and the about box, and quit.
class frmMenu final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMenu)

public:
    explicit frmMenu(QWidget *parent = nullptr);
    ~frmMenu() override;

    // Decodes the buttons' pictures ahead of the menu (PngIcon::preload).
    static void preloadIcons();

    void Form_Load();
    void OpenScreen(MenuCommand ButtonIndex);
    QToolButton *Command1(MenuCommand index) const;
    QGroupBox *Frame1() const { return m_frame; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload();
    void placeScreen(QWidget *screen);

    QGroupBox *m_frame;
    QToolButton *m_buttons[7] = {};
};
