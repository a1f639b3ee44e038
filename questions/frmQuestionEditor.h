#pragma once

#include <array>

#include <QDialog>

#include "data/QuestionEditorSession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QUndoStack;

// The trainer's question editor: the pool as a table to sort and filter, and a pane to edit the
// chosen question (its text, two to six choices or true/false, the right ones, explanation and
// category). Edits can be undone until Save writes them in one transaction; Revert drops them. A
// question stored exams use keeps its id through a change of wording; a change of what it asks
// makes a new question and retires the old one, so that old exams still show what was asked.
class frmQuestionEditor final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmQuestionEditor)

public:
    enum Column { Id, Category, Text, Key, Origin, Drawn, Retired };
    static constexpr int kSortRole = Qt::UserRole + 1;
    static constexpr int kIdRole = Qt::UserRole + 2;

    explicit frmQuestionEditor(QWidget *parent = nullptr);
    ~frmQuestionEditor() override;

    // Reads the pool; false (and the person told) when it cannot be read.
    bool load();
    // Shows the question of that QID in the pane (the statistics' double-click); false when none has it.
    bool openQuestion(qint64 qid);
    const QuestionEditorSession &session() const { return m_session; }
    // The stable id of the question in the pane; empty for a new one not applied yet.
    QString currentId() const;

    QComboBox *categoryFilter() const { return m_filterCategory; }
    QLineEdit *textFilter() const { return m_filterText; }
    QComboBox *originFilter() const { return m_filterOrigin; }
    QComboBox *retiredFilter() const { return m_filterRetired; }
    QTableView *table() const { return m_table; }
    QPlainTextEdit *questionEdit() const { return m_question; }
    QComboBox *kindBox() const { return m_kind; }
    QLineEdit *choiceEdit(int i) const { return m_choices.at(size_t(i)); }
    QCheckBox *keyBox(int i) const { return m_keys.at(size_t(i)); }
    QPlainTextEdit *explanationEdit() const { return m_explanation; }
    QComboBox *categoryBox() const { return m_category; }
    // The message shown next to a field that refused an edit: the question, a choice, the keys,
    // the category.
    QLabel *questionMessage() const { return m_questionMessage; }
    QLabel *choiceMessage() const { return m_choiceMessage; }
    QLabel *keysMessage() const { return m_keysMessage; }
    QLabel *categoryMessage() const { return m_categoryMessage; }
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *newButton() const { return m_new; }
    QPushButton *retireButton() const { return m_retire; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *undoButton() const { return m_undo; }
    QPushButton *redoButton() const { return m_redo; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *revertButton() const { return m_revert; }

    // The buttons' work.
    bool Apply_Click();
    void New_Click();
    void Retire_Click();
    void Delete_Click();
    bool Save_Click();
    void Revert_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QuestionEditorSession::Filter filter() const;
    void fill();
    void showQuestion(const QuestionEditorSession::Question &question);
    QuestionEditorSession::Question fromPane() const;
    void showRefusal(const std::optional<QuestionEditorSession::Refusal> &refusal);
    void select(const QString &stableId);
    void updateButtons();
    void kindChanged();
    void push(const QString &text, const std::vector<QuestionEditorSession::Question> &after);

    QuestionEditorSession m_session;
    QuestionEditorSession::Question m_current; // the question in the pane, as it is in the session
    bool m_adding = false; // the pane holds a new question, not in the session yet
    bool m_showing = false; // the pane is being filled, not edited

    QComboBox *m_filterCategory;
    QLineEdit *m_filterText;
    QComboBox *m_filterOrigin;
    QComboBox *m_filterRetired;
    QStandardItemModel *m_model;
    QSortFilterProxyModel *m_sorted;
    QTableView *m_table;
    QLabel *m_paneTitle;
    QPlainTextEdit *m_question;
    QLabel *m_questionMessage;
    QComboBox *m_kind;
    std::array<QLineEdit *, QuestionEditorSession::kMaxChoices> m_choices{};
    std::array<QCheckBox *, QuestionEditorSession::kMaxChoices> m_keys{};
    QLabel *m_choiceMessage;
    QLabel *m_keysMessage;
    QPlainTextEdit *m_explanation;
    QComboBox *m_category;
    QLabel *m_categoryMessage;
    QPushButton *m_apply;
    QPushButton *m_new;
    QPushButton *m_retire;
    QPushButton *m_delete;
    QPushButton *m_undo;
    QPushButton *m_redo;
    QPushButton *m_save;
    QPushButton *m_revert;
    QUndoStack *m_stack;
};
