#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

// The question editor's work without a window: the pool as a table (stable id, category, text,
// key, origin, times drawn, retired), the rules an edited question must keep, what an edit of a
// question stored exams use turns into, and the edits written in one transaction. Edits stay in
// the session until save(); revert() drops them. The steps are small and reversible, so that a
// screen's undo stack can take every one back.
class QuestionEditorSession final {
public:
    static constexpr int kMinChoices = 2;
    static constexpr int kMaxChoices = 6; // A to F

    struct Question {
        qint64 qid = 0; // 0 for a question not stored yet
        QString stableId;
        QString origin; // "shipped" or "imported"
        QString category;
        QString question;
        QStringList choices; // A, B, ...: as many as the question has, empty ones at the end dropped
        QString keys; // the right letters in order, "AC"
        QString explanation;
        bool retired = false;
        int timesDrawn = 0; // rows of stored exams that hold it
        bool operator==(const Question &other) const;
        bool operator!=(const Question &other) const { return !(*this == other); }
    };

    // What an edit is refused for, and the field to show it next to.
    enum class Field { Question, Choice, Keys, Category };
    struct Refusal {
        Field field = Field::Question;
        int choice = -1; // the choice's index, for Field::Choice
        QString message;
    };

    // What saving an edited question does to the pool.
    enum class EditKind {
        InPlace, // the question keeps its stable id
        Replaces, // stored exams use it and its meaning changes: a new question, the old one retired
    };

    // The two choices of a true/false question.
    static QStringList trueFalseChoices();
    // Whether an edited question may be kept; the first rule it breaks otherwise.
    static std::optional<Refusal> check(const Question &question);
    // Trailing empty choices dropped; the choices as typed otherwise.
    static QStringList trimmedChoices(const QStringList &choices);
    // Whether changing `before` to `after` changes what the question asks: its key or its number
    // of choices, or a choice the trainer said changes the meaning.
    static EditKind editKind(const Question &before, const Question &after, bool choiceChangesMeaning);

    // Which rows the table shows: every field empty or Any shows all.
    enum class Retirement { Any, Drawn, Retired };
    struct Filter {
        QString category; // one of the six, or empty
        QString text; // found in the question or a choice, case ignored, as typed
        QString origin; // "shipped", "imported" or empty
        Retirement retirement = Retirement::Any;
    };
    static bool matches(const Question &question, const Filter &filter);

    // Reads the pool. False with `error` when it cannot be read.
    bool load(QString *error);
    int count() const { return int(m_rows.size()); }
    const Question &at(int row) const { return m_rows.at(size_t(row)); }
    int rowOf(qint64 qid) const; // -1 when no row has it
    int rowOfId(const QString &stableId) const;
    // Whether a stored exam uses the question of the row (as read; a new question is used by none).
    bool isUsed(int row) const { return at(row).timesDrawn > 0; }
    // Whether the session holds edits not saved.
    bool isModified() const;

    // Every row at once: an undo step puts back the rows as they were.
    const std::vector<Question> &rows() const { return m_rows; }
    void setRows(const std::vector<Question> &rows) { m_rows = rows; }
    // The row as last read or saved; null for a question not stored yet.
    const Question *saved(qint64 qid) const;

    // The steps every edit is made of, each undone by another.
    void replace(int row, const Question &question);
    int append(const Question &question); // returns its row
    void insert(int row, const Question &question);
    void remove(int row);

    // A new question with a stable id no question has, in `category`.
    Question newQuestion(const QString &category) const;
    // The same question under a stable id of its own, not stored, drawn by no exam: what replaces a
    // question whose meaning changes.
    Question successorOf(const Question &question) const;

    // Writes every edit in one transaction: changed rows updated, new ones added, deleted ones
    // (used by no stored exam) removed with their keys. Then reads the pool again. False with
    // `error` and nothing written when a step fails.
    bool save(QString *error);
    // Drops every edit: the pool as last read or saved.
    void revert() { m_rows = m_saved; }

private:
    bool write(QString *error);
    QString freeId(const QString &stem) const;

    std::vector<Question> m_rows;
    std::vector<Question> m_saved;
};
