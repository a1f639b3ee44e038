#include "widgets/QuestionNavigator.h"

#include <QToolButton>

#include "data/Recordset.h"
#include "platform/SystemBeep.h"
#include "widgets/PngIcon.h"
#include "widgets/Twips.h"

QAbstractButton *QuestionNavigator::createButton(QWidget *parent, int index, int left, int top)
{
    static const std::map<int, std::pair<const char *, const char *>> looks{{2, {"first", "First question"}},
        {3, {"previous", "Previous question"}}, {5, {"next", "Next question"}}, {6, {"last", "Last question"}}};
    const auto &look = looks.at(index);
    auto *button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("Command1_%1").arg(index));
    button->setIcon(PngIcon::fromFile(QStringLiteral(":/icons/%1.png").arg(QString::fromLatin1(look.first))));
    button->setIconSize(QSize(16, 16));
    // A picture button has no text of its own: say what it does.
    button->setToolTip(QString::fromLatin1(look.second));
    button->setAccessibleName(QString::fromLatin1(look.second));
    button->setGeometry(Twips::rect(left, top, 420, 390));
    return button;
}

void QuestionNavigator::move(Recordset *rs, int index)
{
    if (!rs)
        return;
    switch (index) {
    case 2:
        rs->MoveFirst();
        break;
    case 3:
        if (!rs->BOF())
            rs->MovePrevious();
        if (rs->BOF() && rs->RecordCount() > 0) {
            SystemBeep::sound();
            rs->MoveFirst();
        }
        break;
    case 5:
        if (!rs->Eof())
            rs->MoveNext();
        if (rs->Eof() && rs->RecordCount() > 0) {
            SystemBeep::sound();
            rs->MoveLast();
        }
        break;
    case 6:
        rs->MoveLast();
        break;
    default:
        break;
    }
}
