#pragma once

#include <QDialog>

class ClickableLabel;
class QFrame;

// The about box's Label1 array: the product's name, the copyright line and the "X" that closes it.
enum class AboutLabel : int { ProductName = 0, Copyright = 2, Close = 3 };

// The modal about box: picture, product name and copyright line from the version information.
class frmAbout final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    ClickableLabel *Label1(AboutLabel index) const;
    void Label1_Click(AboutLabel index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();

    ClickableLabel *m_label0;
    ClickableLabel *m_label2;
    ClickableLabel *m_label3;
    QFrame *m_line1;
};
