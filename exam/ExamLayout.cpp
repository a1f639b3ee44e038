#include "exam/ExamLayout.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/UserSettings.h"
#include "data/AnswerKey.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "widgets/ControlCharFilter.h"
#include "widgets/DataBinder.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionNavigator.h"
#include "widgets/Twips.h"

namespace {
// The question area as drawn, in twips: the stem, then four choices a pitch apart.
constexpr int kStemTop = 300;
constexpr int kStemHeight = 1560;
constexpr int kShortStem = 1260; // leaves room for "Choose two" under it
constexpr int kChoicesTop = 2480;
constexpr int kChoicePitch = 1000;
constexpr int kChoiceGap = 100;
constexpr int kChoicesBand = 4 * kChoicePitch - kChoiceGap;

// The keys that answer choice `index`: F flags, so the sixth choice has its digit only.
QString keysOf(int index)
{
    const QString digit = QString::number(index + 1);
    return index == 5 ? digit : QString(AnswerKey::letter(index)) + QStringLiteral(" or ") + digit;
}

// A control array's key for a named index.
template <typename Index> int key(Index index)
{
    return static_cast<int>(index);
}

// Moves a control up or down and sets its height, keeping the width the screen fitted it to.
void place(QWidget *widget, int top, int height)
{
    widget->setGeometry(widget->x(), Twips::toPx(top), widget->width(), Twips::toPx(height));
}
} // namespace

ExamLayout::ExamLayout(frmExam *screen, QWidget *content)
    : m_screen(screen)
{
    buildSetupColumn(content);
    buildQuestionArea(content);
    setReadingOrder();
}

void ExamLayout::buildSetupColumn(QWidget *content)
{
    frmExam *const screen = m_screen;
    auto label = [this](ExamLabel index, const QString &caption, QWidget *parent, const QRect &twips) {
        auto *l = new QLabel(caption, parent);
        l->setObjectName(QStringLiteral("Label1_%1").arg(key(index)));
        l->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        labels[key(index)] = l;
        return l;
    };
    label(ExamLabel::UserCaption, QStringLiteral("User:"), content, QRect(120, 150, 500, 285));
    text1 = new QLineEdit(content);
    text1->setObjectName(QStringLiteral("Text1_0"));
    text1->setAccessibleName(QStringLiteral("User"));
    text1->setGeometry(Twips::rect(650, 120, 1830, 330));
    text1->installEventFilter(screen);
    // A control character (a NUL above all) would not survive the trip into the database.
    text1->setValidator(new ControlCharFilter(text1));

    auto *categoryFrame = new QGroupBox(QStringLiteral("Questions Category"), content);
    categoryFrame->setGeometry(Twips::rect(50, 540, 2430, 2520));
    frames[key(ExamFrame::Categories)] = categoryFrame;
    const QStringList captions = ExamSchema::categories() << QStringLiteral("All Categories");
    for (int i = 0; i < 7; ++i) {
        auto *box = new QCheckBox(captions.at(i), categoryFrame);
        box->setObjectName(QStringLiteral("chkCategory_%1").arg(i));
        box->setGeometry(Twips::rect(150, 300 + i * 290 + (i == 6 ? 120 : 0), 2200, 270));
        QObject::connect(box, &QCheckBox::toggled, screen, [screen, i] { screen->chkCategory_Click(i); });
        categories[i] = box;
    }
    auto *line2 = new QFrame(categoryFrame);
    line2->setObjectName(QStringLiteral("Line2"));
    line2->setFrameShape(QFrame::HLine);
    line2->setFrameShadow(QFrame::Sunken);
    line2->setGeometry(Twips::rect(150, 300 + 6 * 290 + 20, 2130, 60));

    auto *countFrame = new QGroupBox(QStringLiteral("Number of Questions"), content);
    countFrame->setGeometry(Twips::rect(50, 3120, 2430, 1570));
    frames[key(ExamFrame::QuestionCount)] = countFrame;
    const int counts[] = {10, 30, 50};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(QStringLiteral("%1 questions").arg(counts[i]), countFrame);
        option->setObjectName(QStringLiteral("optTask_%1").arg(i));
        option->setGeometry(Twips::rect(150, 300 + i * 270, 2200, 270));
        QObject::connect(option, &QRadioButton::toggled, screen, [screen, i](bool on) {
            if (on)
                screen->optTask_Click(i);
        });
        tasks[i] = option;
    }
    // Drills the candidate's mistakes; kept between runs. The caption takes two lines of the
    // narrow column.
    practise = new QCheckBox(QStringLiteral("Only questions I\nanswered wrong before"), countFrame);
    practise->setObjectName(QStringLiteral("chkPractise"));
    practise->setAccessibleName(QStringLiteral("Only questions I answered wrong before"));
    practise->setToolTip(QStringLiteral("Draw only questions whose latest answer under this name was wrong or "
                                        "missing"));
    practise->setGeometry(Twips::rect(150, 1110, 2250, 420));
    QObject::connect(practise, &QCheckBox::toggled, screen, [](bool on) { UserSettings::setPractiseMistakes(on); });

    auto *panel = new QGroupBox(content);
    panel->setGeometry(Twips::rect(50, 4750, 2430, 2880));
    frames[key(ExamFrame::Commands)] = panel;
    auto command = [this, panel, screen](ExamCommand index, const QString &caption, const QRect &twips) {
        auto *b = new QPushButton(caption, panel);
        b->setObjectName(QStringLiteral("Command1_%1").arg(key(index)));
        b->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        QObject::connect(b, &QPushButton::clicked, screen, [screen, index] { screen->Command1_Click(index); });
        commands[key(index)] = b;
    };
    command(ExamCommand::StartExam, QStringLiteral("Start Exam"), QRect(120, 200, 1060, 400));
    command(ExamCommand::EndExam, QStringLiteral("End Exam"), QRect(1250, 200, 1060, 400));
    command(ExamCommand::Pause, QStringLiteral("Pause"), QRect(120, 680, 2190, 400));
    const std::pair<ExamLabel, const char *> captionsOfClock[] = {{ExamLabel::ExamDateCaption, "Exam Date:"},
        {ExamLabel::StartTimeCaption, "Start Time:"}, {ExamLabel::DurationCaption, "Duration:"},
        {ExamLabel::TimeLeftCaption, "Time Left:"}, {ExamLabel::QuestionsLeftCaption, "Questions Left:"}};
    const ExamLabel valueIndex[] = {
        ExamLabel::ExamDate, ExamLabel::StartTime, ExamLabel::Duration, ExamLabel::TimeLeft, ExamLabel::QuestionsLeft};
    for (int row = 0; row < 5; ++row) {
        const int top = 1250 + row * 320;
        label(captionsOfClock[row].first, QString::fromUtf8(captionsOfClock[row].second), panel,
            QRect(120, top, 1300, 285));
        QLabel *value = label(valueIndex[row], QString(), panel, QRect(1430, top, 960, 285));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
    }
}

void ExamLayout::buildQuestionArea(QWidget *content)
{
    frmExam *const screen = m_screen;
    auto *area = new QGroupBox(QStringLiteral("Exam"), content);
    area->setGeometry(Twips::rect(2500, 30, 6735, 8330));
    area->setVisible(false);
    frames[key(ExamFrame::Question)] = area;

    auto heading = [this, area](ExamLabel index, const QString &caption, int top) {
        auto *l = new QLabel(caption, area);
        l->setObjectName(QStringLiteral("Label1_%1").arg(key(index)));
        l->setGeometry(Twips::rect(30, top, 715, 285));
        labels[key(index)] = l;
    };
    auto textBox = [this, area, screen](int index, const QRect &twips, bool multiLine) -> QWidget * {
        QWidget *box = nullptr;
        if (multiLine) {
            auto *edit = new QPlainTextEdit(area);
            edit->setReadOnly(true);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setTabChangesFocus(true);
            QFont larger = edit->font();
            larger.setPointSizeF(larger.pointSizeF() + 1);
            edit->setFont(larger);
            QObject::connect(
                edit, &QPlainTextEdit::textChanged, screen, [screen, index] { screen->txtFields_Change(index); });
            box = edit;
        } else {
            auto *edit = new QLineEdit(area);
            edit->setReadOnly(true);
            QObject::connect(
                edit, &QLineEdit::textChanged, screen, [screen, index] { screen->txtFields_Change(index); });
            box = edit;
        }
        box->setObjectName(QStringLiteral("txtFields_%1").arg(index));
        box->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        txtFields[index] = box;
        return box;
    };

    heading(ExamLabel::QuestionHeading, QStringLiteral("Question"), 330);
    textBox(key(ExamField::Question), QRect(750, kStemTop, 5775, kStemHeight), true)
        ->setAccessibleName(QStringLiteral("Question"));
    heading(ExamLabel::CategoryHeading, QStringLiteral("Category"), 2000);
    textBox(key(ExamField::Category), QRect(750, 1960, 5775, 330), false)
        ->setAccessibleName(QStringLiteral("Category"));
    lblChoose = new QLabel(area);
    lblChoose->setObjectName(QStringLiteral("lblChoose"));
    QFont bold = lblChoose->font();
    bold.setBold(true);
    lblChoose->setFont(bold);
    lblChoose->setGeometry(Twips::rect(750, kStemTop + kShortStem + 30, 5775, 285));
    lblChoose->setVisible(false);
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
        const QString letter = AnswerKey::letter(k);
        const int top = kChoicesTop + k * kChoicePitch;
        auto *option = new QRadioButton(letter, area);
        option->setObjectName(QStringLiteral("Option1_%1").arg(k));
        option->setGeometry(Twips::rect(150, top + 300, 560, 285));
        QObject::connect(option, &QRadioButton::toggled, screen, [screen, k](bool on) {
            if (on)
                screen->Option1_Click(k);
        });
        options[k] = option;
        auto *tick = new QCheckBox(letter, area);
        tick->setObjectName(QStringLiteral("chkChoice_%1").arg(k));
        tick->setAccessibleName(QStringLiteral("Tick ") + letter);
        tick->setToolTip(QStringLiteral("Tick or clear %1 (%2)").arg(letter, keysOf(k)));
        tick->setGeometry(option->geometry());
        tick->setVisible(false);
        QObject::connect(tick, &QCheckBox::clicked, screen, [screen, k](bool on) { screen->chkChoice_Click(k, on); });
        ticks[k] = tick;
        // The text boxes of E and F come after the hidden ones, so that the indexes stay as they were.
        QWidget *text = textBox(k < 4 ? k + 1 : k + 4, QRect(750, top, 5775, kChoicePitch - kChoiceGap), true);
        text->setAccessibleName(QStringLiteral("Answer ") + letter);
        if (k >= 4) {
            option->setAccessibleName(QStringLiteral("Choice ") + letter);
            option->setToolTip(QStringLiteral("Choose %1 (%2)").arg(letter, keysOf(k)));
            option->setVisible(false);
            text->setVisible(false);
        }
    }
    // Hidden bound controls that carry the row's key and answer.
    textBox(key(ExamField::DetailID), QRect(750, 0, 600, 285), false)->setVisible(false);
    textBox(key(ExamField::Answer), QRect(1400, 0, 600, 285), false)->setVisible(false);
    check1 = new QCheckBox(area);
    check1->setObjectName(QStringLiteral("Check1"));
    check1->setVisible(false);

    const int navTop = 6560;
    const int navLefts[] = {750, 1200, 5175, 5625};
    commands.merge(QuestionNavigator::createButtons(
        area, navLefts, navTop, [screen](int index) { screen->Command1_Click(ExamCommand(index)); }));
    lblStatus = new QLabel(area);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setGeometry(Twips::rect(1700, navTop + 50, 3400, 300));
    // The picture buttons say their keys.
    static const std::pair<ExamCommand, const char *> keys[] = {{ExamCommand::First, "First question (Home)"},
        {ExamCommand::Previous, "Previous question (Left or Page Up)"},
        {ExamCommand::Next, "Next question (Right or Page Down)"}, {ExamCommand::Last, "Last question (End)"}};
    for (const auto &[index, tip] : keys)
        commands[key(index)]->setToolTip(QString::fromLatin1(tip));

    auto *flagBox = new QCheckBox(QStringLiteral("Flag for review"), area);
    flagBox->setObjectName(QStringLiteral("chkFlag"));
    flagBox->setAccessibleName(QStringLiteral("Flag for review"));
    flagBox->setToolTip(QStringLiteral("Flag the question for review (F)"));
    flagBox->setGeometry(Twips::rect(150, navTop + 470, 1700, 345));
    QObject::connect(flagBox, &QCheckBox::clicked, screen, [screen](bool on) { screen->setFlagged(on); });
    flag = flagBox;
    legend = new QLabel(QStringLiteral("Map: filled = answered, orange corner = flagged, dark frame = "
                                       "on screen, red hatch = not stored. Keys: A-E or 1-6, arrows, Home, End, F."),
        area);
    legend->setObjectName(QStringLiteral("lblMapLegend"));
    legend->setWordWrap(true);
    // On a narrow window the legend may not show in full; its tool tip always does.
    legend->setToolTip(legend->text());
    QFont small = legend->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    legend->setFont(small);
    legend->setGeometry(Twips::rect(1950, navTop + 440, 4600, 420));
    map = new QuestionMap(area);
    map->setGeometry(Twips::rect(150, navTop + 900, 6400, 780));
    QObject::connect(map, &QuestionMap::cellActivated, screen, [screen](int row) {
        if (const std::shared_ptr<Recordset> rs = screen->rsExam())
            rs->setAbsolutePosition(row + 1);
    });
    // The exam's keys work wherever the focus is in the question area.
    for (QWidget *child : area->findChildren<QWidget *>())
        child->installEventFilter(screen);
}

ExamDraw::Ticked ExamLayout::ticked() const
{
    ExamDraw::Ticked ticked{};
    for (int i = 0; i < 7; ++i)
        ticked[size_t(i)] = categories[i]->isChecked();
    return ticked;
}

void ExamLayout::bind(DataBinder *binder) const
{
    using F = ExamField;
    static const std::pair<F, const char *> fields[]
        = {{F::Question, "Question"}, {F::A, "A"}, {F::B, "B"}, {F::C, "C"}, {F::D, "D"}, {F::E, "E"}, {F::F, "F"},
            {F::DetailID, "DetailID"}, {F::Answer, "Answer"}, {F::Category, "Category"}};
    for (const auto &[index, field] : fields)
        binder->bind(txtFields.at(key(index)), QString::fromLatin1(field));
    binder->bind(check1, QStringLiteral("Answered"));
}

void ExamLayout::arrangeChoices(int shown, int choose)
{
    const bool several = choose > 1;
    place(txtFields.at(key(ExamField::Question)), kStemTop, several ? kShortStem : kStemHeight);
    lblChoose->setText(several ? AnswerKey::chooseLine(choose) : QString());
    lblChoose->setAccessibleName(lblChoose->text());
    lblChoose->setVisible(several);
    // Four choices keep the pitch they were drawn with; five or six share its band.
    const int pitch = shown <= 4 ? kChoicePitch : (kChoicesBand + kChoiceGap) / shown;
    const int height = pitch - kChoiceGap;
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
        const int top = kChoicesTop + k * pitch;
        const bool on = k < qMax(shown, 4);
        QWidget *text = txtFields.at(k < 4 ? k + 1 : k + 4);
        place(text, top, height);
        place(options[k], top + (height - 300) / 2, 285);
        place(ticks[k], top + (height - 300) / 2, 285);
        text->setVisible(on);
        options[k]->setVisible(on && !several);
        ticks[k]->setVisible(on && several);
    }
}

// The set-up column, its commands, then the question area top to bottom.
void ExamLayout::setReadingOrder()
{
    QList<QWidget *> order{text1};
    for (QCheckBox *box : categories)
        order << box;
    for (QRadioButton *option : tasks)
        order << option;
    order << practise << commands[key(ExamCommand::StartExam)] << commands[key(ExamCommand::EndExam)]
          << commands[key(ExamCommand::Pause)] << txtFields[key(ExamField::Question)]
          << txtFields[key(ExamField::Category)];
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k)
        order << options[k] << ticks[k] << txtFields[k < 4 ? k + 1 : k + 4];
    order << commands[key(ExamCommand::First)] << commands[key(ExamCommand::Previous)]
          << commands[key(ExamCommand::Next)] << commands[key(ExamCommand::Last)] << flag << map;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}
