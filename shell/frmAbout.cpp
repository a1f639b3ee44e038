#include "shell/frmAbout.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

#include "VersionInfo.h"
#include "platform/GenModuleUi.h"
#include "widgets/ClickableLabel.h"
#include "widgets/Twips.h"

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_label0(new ClickableLabel(this))
    , m_label2(new ClickableLabel(this))
    , m_label3(new ClickableLabel(QStringLiteral("X"), this))
    , m_line1(new QFrame(this))
{
    InitResources();
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(Twips::toPx(5340), Twips::toPx(4245));
    // The labels use the highlight-text colour, on a ground that continues the picture's dark foot.
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(13, 52, 80));
    setPalette(pal);

    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/about.png")));
    picture->setGeometry(0, 0, 362, 180);
    picture->lower();

    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setFrameShadow(QFrame::Plain);
    m_line1->setGeometry(0, Twips::toPx(2600), Twips::toPx(5400), 1);
    QPalette linePal = m_line1->palette();
    linePal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    m_line1->setPalette(linePal);

    QFont nameFont(QStringLiteral("Times New Roman"));
    nameFont.setPointSizeF(18);
    nameFont.setBold(true);
    m_label0->setFont(nameFont);
    m_label0->setGeometry(Twips::rect(0, 2880, 5340, 495));
    QFont copyrightFont(QStringLiteral("Times New Roman"));
    copyrightFont.setPointSizeF(9.75);
    m_label2->setFont(copyrightFont);
    m_label2->setGeometry(Twips::rect(0, 3840, 5340, 255));
    for (ClickableLabel *label : {m_label0, m_label2}) {
        label->setAlignment(Qt::AlignCenter);
        label->setForegroundRole(QPalette::HighlightedText);
    }

    QFont closeFont(QStringLiteral("MS Sans Serif"));
    closeFont.setPointSize(12);
    closeFont.setBold(true);
    m_label3->setFont(closeFont);
    m_label3->setGeometry(Twips::rect(4950, 10, 360, 360));
    m_label3->setAlignment(Qt::AlignCenter);
    m_label3->setFrameShape(QFrame::Box);
    m_label3->setAutoFillBackground(true);
    m_label3->setBackgroundRole(QPalette::Button);
    m_label3->setForegroundRole(QPalette::WindowText);
    m_label3->setCursor(Qt::PointingHandCursor);
    m_label3->setToolTip(QStringLiteral("Close"));
    m_label3->setAccessibleName(QStringLiteral("Close"));

    connect(m_label0, &ClickableLabel::clicked, this, [this] { Label1_Click(AboutLabel::ProductName); });
    connect(m_label2, &ClickableLabel::clicked, this, [this] { Label1_Click(AboutLabel::Copyright); });
    connect(m_label3, &ClickableLabel::clicked, this, [this] { Label1_Click(AboutLabel::Close); });
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    m_label0->setText(QString::fromUtf8(VersionInfo::ProductName));
    m_label2->setText(QString::fromUtf8(VersionInfo::LegalCopyright));
}

ClickableLabel *frmAbout::Label1(AboutLabel index) const
{
    switch (index) {
    case AboutLabel::ProductName:
        return m_label0;
    case AboutLabel::Copyright:
        return m_label2;
    case AboutLabel::Close:
        return m_label3;
    }
    return nullptr;
}

void frmAbout::Label1_Click(AboutLabel index)
{
    if (index == AboutLabel::Close)
        accept();
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // Only the "X" label closes the box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
