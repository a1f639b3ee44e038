#include "questions/frmQuestionEditor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>

#include "data/AnswerKey.h"
#include "data/ExamSchema.h"
#include "data/PoolStore.h"
#include "platform/MessageBox.h"
#include "questions/QuestionEditStep.h"

namespace {
const QString kTitle = QStringLiteral("Edit Questions");
const QString kAll = QStringLiteral("(all)");
const QString kMultipleChoice = QStringLiteral("Multiple choice");
const QString kTrueFalse = QStringLiteral("True/False");

QStandardItem *cell(const QString &text, const QVariant &sortValue)
{
    auto *item = new QStandardItem(text);
    item->setData(sortValue, frmQuestionEditor::kSortRole);
    item->setEditable(false);
    return item;
}

QLabel *messageLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    label->hide();
    return label;
}

bool isTrueFalse(const QStringList &choices)
{
    return QuestionEditorSession::trimmedChoices(choices) == QuestionEditorSession::trueFalseChoices();
}
} // namespace

frmQuestionEditor::frmQuestionEditor(QWidget *parent)
    : QDialog(parent)
    , m_filterCategory(new QComboBox(this))
    , m_filterText(new QLineEdit(this))
    , m_filterOrigin(new QComboBox(this))
    , m_filterRetired(new QComboBox(this))
    , m_model(new QStandardItemModel(this))
    , m_sorted(new QSortFilterProxyModel(this))
    , m_table(new QTableView(this))
    , m_paneTitle(new QLabel(this))
    , m_question(new QPlainTextEdit(this))
    , m_questionMessage(messageLabel(this, QStringLiteral("lblQuestionMessage")))
    , m_kind(new QComboBox(this))
    , m_choiceMessage(messageLabel(this, QStringLiteral("lblChoiceMessage")))
    , m_keysMessage(messageLabel(this, QStringLiteral("lblKeysMessage")))
    , m_explanation(new QPlainTextEdit(this))
    , m_category(new QComboBox(this))
    , m_categoryMessage(messageLabel(this, QStringLiteral("lblCategoryMessage")))
    , m_apply(new QPushButton(QStringLiteral("&Apply"), this))
    , m_new(new QPushButton(QStringLiteral("&New"), this))
    , m_retire(new QPushButton(QStringLiteral("&Retire"), this))
    , m_delete(new QPushButton(QStringLiteral("&Delete"), this))
    , m_undo(new QPushButton(QStringLiteral("&Undo"), this))
    , m_redo(new QPushButton(QStringLiteral("Re&do"), this))
    , m_save(new QPushButton(QStringLiteral("&Save"), this))
    , m_revert(new QPushButton(QStringLiteral("Re&vert"), this))
    , m_stack(new QUndoStack(this))
{
    setObjectName(QStringLiteral("frmQuestionEditor"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);

    // The filters.
    auto *filters = new QHBoxLayout;
    m_filterCategory->setObjectName(QStringLiteral("cboFilterCategory"));
    m_filterCategory->setAccessibleName(QStringLiteral("Show category"));
    m_filterCategory->addItem(kAll);
    m_filterCategory->addItems(ExamSchema::categories());
    m_filterText->setObjectName(QStringLiteral("txtFilter"));
    m_filterText->setAccessibleName(QStringLiteral("Find text"));
    m_filterText->setPlaceholderText(QStringLiteral("Text in the question or a choice"));
    m_filterText->setClearButtonEnabled(true);
    m_filterOrigin->setObjectName(QStringLiteral("cboFilterOrigin"));
    m_filterOrigin->setAccessibleName(QStringLiteral("Show origin"));
    m_filterOrigin->addItems({kAll, QString::fromLatin1(PoolStore::kShipped), QString::fromLatin1(PoolStore::kImported),
        QString::fromLatin1(PoolStore::kEdited)});
    m_filterRetired->setObjectName(QStringLiteral("cboFilterRetired"));
    m_filterRetired->setAccessibleName(QStringLiteral("Show retired"));
    m_filterRetired->addItems({kAll, QStringLiteral("drawn"), QStringLiteral("retired")});
    filters->addWidget(new QLabel(QStringLiteral("Category:"), this));
    filters->addWidget(m_filterCategory, 1);
    filters->addWidget(new QLabel(QStringLiteral("Find:"), this));
    filters->addWidget(m_filterText, 2);
    filters->addWidget(new QLabel(QStringLiteral("Origin:"), this));
    filters->addWidget(m_filterOrigin);
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    filters->addWidget(m_filterRetired);
    layout->addLayout(filters);
    connect(m_filterCategory, &QComboBox::currentIndexChanged, this, &frmQuestionEditor::fill);
    connect(m_filterText, &QLineEdit::textChanged, this, &frmQuestionEditor::fill);
    connect(m_filterOrigin, &QComboBox::currentIndexChanged, this, &frmQuestionEditor::fill);
    connect(m_filterRetired, &QComboBox::currentIndexChanged, this, &frmQuestionEditor::fill);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("Category"), QStringLiteral("Question"),
        QStringLiteral("Key"), QStringLiteral("Origin"), QStringLiteral("Drawn"), QStringLiteral("Retired")});
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(kSortRole);
    m_table->setObjectName(QStringLiteral("tblQuestions"));
    m_table->setAccessibleName(QStringLiteral("Questions"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(Id, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    splitter->addWidget(m_table);
    connect(
        m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
            if (!current.isValid())
                return;
            const QString id = m_sorted->index(current.row(), Id).data(kIdRole).toString();
            const int row = m_session.rowOfId(id);
            if (row >= 0) {
                m_adding = false;
                showQuestion(m_session.at(row));
            }
        });

    // The edit pane.
    auto *pane = new QWidget(splitter);
    auto *form = new QVBoxLayout(pane);
    form->setContentsMargins(0, 0, 0, 0);
    m_paneTitle->setObjectName(QStringLiteral("lblPaneTitle"));
    QFont bold = m_paneTitle->font();
    bold.setBold(true);
    m_paneTitle->setFont(bold);
    form->addWidget(m_paneTitle);
    form->addWidget(new QLabel(QStringLiteral("Question:"), pane));
    m_question->setObjectName(QStringLiteral("txtQuestion"));
    m_question->setAccessibleName(QStringLiteral("Question"));
    m_question->setTabChangesFocus(true);
    m_question->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_question->setFixedHeight(m_question->fontMetrics().lineSpacing() * 4 + 12);
    form->addWidget(m_question);
    form->addWidget(m_questionMessage);
    auto *kindRow = new QHBoxLayout;
    m_kind->setObjectName(QStringLiteral("cboKind"));
    m_kind->setAccessibleName(QStringLiteral("Kind"));
    m_kind->addItems({kMultipleChoice, kTrueFalse});
    kindRow->addWidget(new QLabel(QStringLiteral("Kind:"), pane));
    kindRow->addWidget(m_kind, 1);
    form->addLayout(kindRow);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &frmQuestionEditor::kindChanged);
    auto *choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("Right"), pane), 0, 2);
    for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i) {
        const QString letter(AnswerKey::letter(i));
        auto *edit = new QLineEdit(pane);
        edit->setObjectName(QStringLiteral("txtChoice") + letter);
        edit->setAccessibleName(QStringLiteral("Choice ") + letter);
        auto *key = new QCheckBox(pane);
        key->setObjectName(QStringLiteral("chkKey") + letter);
        key->setAccessibleName(QStringLiteral("Choice %1 is right").arg(letter));
        m_choices.at(size_t(i)) = edit;
        m_keys.at(size_t(i)) = key;
        choices->addWidget(new QLabel(letter + QLatin1Char(':'), pane), i + 1, 0);
        choices->addWidget(edit, i + 1, 1);
        choices->addWidget(key, i + 1, 2);
    }
    form->addLayout(choices);
    form->addWidget(m_choiceMessage);
    form->addWidget(m_keysMessage);
    form->addWidget(new QLabel(QStringLiteral("Explanation:"), pane));
    m_explanation->setObjectName(QStringLiteral("txtExplanation"));
    m_explanation->setAccessibleName(QStringLiteral("Explanation"));
    m_explanation->setTabChangesFocus(true);
    m_explanation->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_explanation->setFixedHeight(m_explanation->fontMetrics().lineSpacing() * 3 + 12);
    form->addWidget(m_explanation);
    auto *categoryRow = new QHBoxLayout;
    m_category->setObjectName(QStringLiteral("cboCategory"));
    m_category->setAccessibleName(QStringLiteral("Category"));
    m_category->setEditable(true); // a typed category is refused with its reason, not silently changed
    m_category->addItems(ExamSchema::categories());
    categoryRow->addWidget(new QLabel(QStringLiteral("Category:"), pane));
    categoryRow->addWidget(m_category, 1);
    form->addLayout(categoryRow);
    form->addWidget(m_categoryMessage);
    auto *edits = new QHBoxLayout;
    for (QPushButton *button : {m_apply, m_new, m_retire, m_delete})
        edits->addWidget(button);
    edits->addStretch(1);
    form->addLayout(edits);
    form->addStretch(1);
    splitter->addWidget(pane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({660, 440});
    layout->addWidget(splitter, 1);

    auto *bottom = new QHBoxLayout;
    for (QPushButton *button : {m_undo, m_redo})
        bottom->addWidget(button);
    bottom->addStretch(1);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton *button : {m_revert, m_save, close})
        bottom->addWidget(button);
    layout->addLayout(bottom);
    for (QPushButton *button : {m_apply, m_new, m_retire, m_delete, m_undo, m_redo, m_save, m_revert, close})
        button->setAutoDefault(false);

    connect(m_apply, &QPushButton::clicked, this, &frmQuestionEditor::Apply_Click);
    connect(m_new, &QPushButton::clicked, this, &frmQuestionEditor::New_Click);
    connect(m_retire, &QPushButton::clicked, this, &frmQuestionEditor::Retire_Click);
    connect(m_delete, &QPushButton::clicked, this, &frmQuestionEditor::Delete_Click);
    connect(m_undo, &QPushButton::clicked, m_stack, &QUndoStack::undo);
    connect(m_redo, &QPushButton::clicked, m_stack, &QUndoStack::redo);
    connect(m_save, &QPushButton::clicked, this, &frmQuestionEditor::Save_Click);
    connect(m_revert, &QPushButton::clicked, this, &frmQuestionEditor::Revert_Click);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_stack, &QUndoStack::indexChanged, this, &frmQuestionEditor::updateButtons);
    resize(1100, 640);
    updateButtons();
}

frmQuestionEditor::~frmQuestionEditor()
{
    // The stack is cleared as it goes, after the buttons it would update.
    disconnect(m_stack, nullptr, this, nullptr);
}

bool frmQuestionEditor::load()
{
    QString error;
    if (!m_session.load(&error)) {
        MessageBox::show(QStringLiteral("The questions could not be read:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, kTitle);
        return false;
    }
    m_stack->clear();
    fill();
    if (m_session.count() > 0)
        select(m_current.stableId.isEmpty() ? m_session.at(0).stableId : m_current.stableId);
    return true;
}

bool frmQuestionEditor::openQuestion(qint64 qid)
{
    const int row = m_session.rowOf(qid);
    if (row < 0)
        return false;
    // The question is shown whatever the filters hide.
    const QSignalBlocker category(m_filterCategory), text(m_filterText), origin(m_filterOrigin),
        retired(m_filterRetired);
    m_filterCategory->setCurrentIndex(0);
    m_filterText->clear();
    m_filterOrigin->setCurrentIndex(0);
    m_filterRetired->setCurrentIndex(0);
    fill();
    select(m_session.at(row).stableId);
    return true;
}

QString frmQuestionEditor::currentId() const
{
    return m_adding ? QString() : m_current.stableId;
}

QuestionEditorSession::Filter frmQuestionEditor::filter() const
{
    QuestionEditorSession::Filter chosen;
    if (m_filterCategory->currentIndex() > 0)
        chosen.category = m_filterCategory->currentText();
    chosen.text = m_filterText->text();
    if (m_filterOrigin->currentIndex() > 0)
        chosen.origin = m_filterOrigin->currentText();
    chosen.retirement = QuestionEditorSession::Retirement(m_filterRetired->currentIndex());
    return chosen;
}

void frmQuestionEditor::fill()
{
    const QString keep = m_current.stableId;
    m_model->removeRows(0, m_model->rowCount());
    const QuestionEditorSession::Filter chosen = filter();
    for (const QuestionEditorSession::Question &q : m_session.rows()) {
        if (!QuestionEditorSession::matches(q, chosen))
            continue;
        QStandardItem *id = cell(q.stableId, q.stableId);
        id->setData(q.stableId, kIdRole);
        QStandardItem *drawn = cell(QString::number(q.timesDrawn), q.timesDrawn);
        drawn->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QStandardItem *text = cell(q.question.simplified(), q.question.simplified().toLower());
        text->setToolTip(q.question);
        m_model->appendRow({id, cell(q.category, q.category), text, cell(q.keys, q.keys), cell(q.origin, q.origin),
            drawn, cell(q.retired ? QStringLiteral("retired") : QString(), q.retired)});
    }
    m_table->resizeColumnToContents(Id);
    m_table->resizeColumnToContents(Category);
    // The text is cut short in the table (its tool tip and the pane hold it whole), so that every
    // column shows beside the pane.
    m_table->setColumnWidth(Text, m_table->fontMetrics().averageCharWidth() * 28);
    for (const int column : {Key, Origin, Drawn, Retired})
        m_table->resizeColumnToContents(column);
    if (!keep.isEmpty() && !m_adding)
        select(keep);
}

void frmQuestionEditor::select(const QString &stableId)
{
    for (int r = 0; r < m_sorted->rowCount(); ++r) {
        if (m_sorted->index(r, Id).data(kIdRole).toString() == stableId) {
            m_table->setCurrentIndex(m_sorted->index(r, Id));
            m_table->scrollTo(m_sorted->index(r, Id));
            break;
        }
    }
    // A question the filters hide is still shown in the pane.
    const int row = m_session.rowOfId(stableId);
    if (row >= 0) {
        m_adding = false;
        showQuestion(m_session.at(row));
    }
}

void frmQuestionEditor::showQuestion(const QuestionEditorSession::Question &question)
{
    m_showing = true;
    m_current = question;
    m_paneTitle->setText(m_adding
            ? QStringLiteral("New question %1").arg(question.stableId)
            : QStringLiteral("%1%2, drawn %3 times")
                  .arg(question.stableId, question.retired ? QStringLiteral(" (retired)") : QString())
                  .arg(question.timesDrawn));
    m_question->setPlainText(question.question);
    m_kind->setCurrentIndex(isTrueFalse(question.choices) ? 1 : 0);
    for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i) {
        m_choices.at(size_t(i))->setText(i < question.choices.size() ? question.choices.at(i) : QString());
        m_keys.at(size_t(i))->setChecked(question.keys.contains(AnswerKey::letter(i)));
    }
    m_explanation->setPlainText(question.explanation);
    m_category->setCurrentText(question.category);
    m_showing = false;
    kindChanged();
    showRefusal(std::nullopt);
    updateButtons();
}

void frmQuestionEditor::kindChanged()
{
    const bool trueFalse = m_kind->currentIndex() == 1;
    if (trueFalse && !m_showing) {
        const QStringList pair = QuestionEditorSession::trueFalseChoices();
        for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i)
            m_choices.at(size_t(i))->setText(i < pair.size() ? pair.at(i) : QString());
    }
    for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i) {
        m_choices.at(size_t(i))->setReadOnly(trueFalse);
        m_choices.at(size_t(i))->setEnabled(!trueFalse || i < 2);
        m_keys.at(size_t(i))->setEnabled(!trueFalse || i < 2);
        if (trueFalse && i >= 2)
            m_keys.at(size_t(i))->setChecked(false);
    }
}

QuestionEditorSession::Question frmQuestionEditor::fromPane() const
{
    QuestionEditorSession::Question q = m_current;
    q.question = m_question->toPlainText();
    QStringList choices;
    QString keys;
    for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i) {
        choices << m_choices.at(size_t(i))->text();
        if (m_keys.at(size_t(i))->isChecked())
            keys += AnswerKey::letter(i);
    }
    q.choices = QuestionEditorSession::trimmedChoices(choices);
    q.keys = keys;
    q.explanation = m_explanation->toPlainText();
    q.category = m_category->currentText();
    return q;
}

void frmQuestionEditor::showRefusal(const std::optional<QuestionEditorSession::Refusal> &refusal)
{
    using Field = QuestionEditorSession::Field;
    const auto show = [&](QLabel *label, Field field) {
        const bool shown = refusal && refusal->field == field;
        label->setText(shown ? refusal->message : QString());
        label->setVisible(shown);
    };
    show(m_questionMessage, Field::Question);
    show(m_choiceMessage, Field::Choice);
    show(m_keysMessage, Field::Keys);
    show(m_categoryMessage, Field::Category);
    if (!refusal)
        return;
    switch (refusal->field) {
    case Field::Question:
        m_question->setFocus();
        break;
    case Field::Choice:
        m_choices.at(size_t(qBound(0, refusal->choice, QuestionEditorSession::kMaxChoices - 1)))->setFocus();
        break;
    case Field::Keys:
        m_keys.front()->setFocus();
        break;
    case Field::Category:
        m_category->setFocus();
        break;
    }
}

void frmQuestionEditor::push(const QString &text, const std::vector<QuestionEditorSession::Question> &after)
{
    m_stack->push(new QuestionEditStep(text, m_session, m_session.rows(), after, [this] {
        fill();
        const int row = m_session.rowOfId(m_current.stableId);
        if (row >= 0)
            showQuestion(m_session.at(row));
        updateButtons();
    }));
}

bool frmQuestionEditor::Apply_Click()
{
    const QuestionEditorSession::Question edited = fromPane();
    const std::optional<QuestionEditorSession::Refusal> refusal = QuestionEditorSession::check(edited);
    showRefusal(refusal);
    if (refusal)
        return false;
    std::vector<QuestionEditorSession::Question> rows = m_session.rows();
    if (m_adding) {
        rows.push_back(edited);
        m_adding = false;
        m_current = edited;
        push(QStringLiteral("Add %1").arg(edited.stableId), rows);
        select(edited.stableId);
        return true;
    }
    const int row = m_session.rowOfId(m_current.stableId);
    if (row < 0)
        return false;
    const QuestionEditorSession::Question before = m_session.at(row);
    if (edited == before)
        return true;
    QuestionEditorSession::EditKind kind = QuestionEditorSession::EditKind::InPlace;
    if (m_session.isUsed(row)) {
        const QStringList was = QuestionEditorSession::trimmedChoices(before.choices);
        bool meaning = false;
        // Only the trainer knows whether a reworded choice asks something else.
        if (was != edited.choices && was.size() == edited.choices.size() && before.keys == edited.keys)
            meaning = MessageBox::show(QStringLiteral("Stored exams use this question. Does the change of its choices "
                                                      "change what the question means?\n\nYes: it becomes a new "
                                                      "question and this one is retired, so that old exams still show "
                                                      "what was asked.\nNo: the question keeps its id."),
                          MessageBox::YesNo, MessageBox::Question, kTitle, MessageBox::DefaultButton2)
                == MessageBox::Yes;
        kind = QuestionEditorSession::editKind(before, edited, meaning);
    }
    if (kind == QuestionEditorSession::EditKind::InPlace) {
        rows.at(size_t(row)) = edited;
        push(QStringLiteral("Edit %1").arg(edited.stableId), rows);
        return true;
    }
    // The old question stays as the stored exams knew it, out of every draw.
    QuestionEditorSession::Question old = before;
    old.retired = true;
    rows.at(size_t(row)) = old;
    const QuestionEditorSession::Question successor = m_session.successorOf(edited);
    rows.push_back(successor);
    m_current = successor;
    push(QStringLiteral("Replace %1 by %2").arg(before.stableId, successor.stableId), rows);
    select(successor.stableId);
    return true;
}

void frmQuestionEditor::New_Click()
{
    const QString category
        = m_filterCategory->currentIndex() > 0 ? m_filterCategory->currentText() : ExamSchema::categories().front();
    m_adding = true;
    m_table->clearSelection();
    showQuestion(m_session.newQuestion(category));
    m_question->setFocus();
}

void frmQuestionEditor::Retire_Click()
{
    const int row = m_session.rowOfId(m_current.stableId);
    if (m_adding || row < 0)
        return;
    std::vector<QuestionEditorSession::Question> rows = m_session.rows();
    rows.at(size_t(row)).retired = !rows.at(size_t(row)).retired;
    push(QStringLiteral("%1 %2").arg(
             rows.at(size_t(row)).retired ? QStringLiteral("Retire") : QStringLiteral("Restore"), m_current.stableId),
        rows);
}

void frmQuestionEditor::Delete_Click()
{
    const int row = m_session.rowOfId(m_current.stableId);
    if (m_adding || row < 0)
        return;
    if (m_session.isUsed(row)) {
        MessageBox::show(QStringLiteral("Stored exams use %1: it cannot be deleted. Retire it instead, and no exam "
                                        "draws it again.")
                             .arg(m_current.stableId),
            MessageBox::OkOnly, MessageBox::Exclamation, kTitle);
        return;
    }
    std::vector<QuestionEditorSession::Question> rows = m_session.rows();
    rows.erase(rows.begin() + row);
    const QString deleted = m_current.stableId;
    // The pane moves to the next question, or the one before at the end.
    if (!rows.empty())
        m_current = rows.at(size_t(qMin(row, int(rows.size()) - 1)));
    push(QStringLiteral("Delete %1").arg(deleted), rows);
}

bool frmQuestionEditor::Save_Click()
{
    QString error;
    if (!m_session.save(&error)) {
        MessageBox::show(QStringLiteral("The questions could not be saved; nothing was changed:\n") + error,
            MessageBox::OkOnly, MessageBox::Critical, kTitle);
        return false;
    }
    m_stack->clear();
    fill();
    updateButtons();
    return true;
}

void frmQuestionEditor::Revert_Click()
{
    m_session.revert();
    m_stack->clear();
    m_adding = false;
    fill();
    const int row = m_session.rowOfId(m_current.stableId);
    if (row >= 0)
        showQuestion(m_session.at(row));
    else if (m_session.count() > 0)
        select(m_session.at(0).stableId);
    updateButtons();
}

void frmQuestionEditor::updateButtons()
{
    const int row = m_session.rowOfId(m_current.stableId);
    const bool onRow = !m_adding && row >= 0;
    m_retire->setEnabled(onRow);
    m_retire->setText(onRow && m_session.at(row).retired ? QStringLiteral("&Restore") : QStringLiteral("&Retire"));
    m_delete->setEnabled(onRow && !m_session.isUsed(row));
    m_delete->setToolTip(
        onRow && m_session.isUsed(row) ? QStringLiteral("Stored exams use this question: retire it") : QString());
    m_undo->setEnabled(m_stack->canUndo());
    m_redo->setEnabled(m_stack->canRedo());
    m_revert->setEnabled(m_session.isModified());
    // On a class's server the save goes through the server's own functions, a trainer's only.
    m_save->setEnabled(m_session.isModified());
}

void frmQuestionEditor::closeEvent(QCloseEvent *event)
{
    if (m_session.isModified()) {
        const int answer
            = MessageBox::show(QStringLiteral("The questions have changes that are not saved. Close and drop them?"),
                MessageBox::YesNo, MessageBox::Question, kTitle, MessageBox::DefaultButton2);
        if (answer != MessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
