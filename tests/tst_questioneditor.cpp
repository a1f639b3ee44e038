#include "ScreenSuite.h"

#include "data/ExamSession.h"
#include "data/PoolStore.h"
#include "data/ReviewSession.h"
#include "questions/frmQuestionEditor.h"
#include "questions/frmQuestionStats.h"

using Rows = QList<QVariantList>;

using SessionCases::text;
using SessionCases::ticked;

// Retired questions, never drawn but still shown by the exams that used them, and the trainer's question
// editor on a real Exam.mdb.
class tst_questioneditor final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;

    QString dbPath() const { return m_program->dbPath(); }
    QVariant scalar(const QString &sql) const { return m_program->scalar(sql); }
    int count(const QString &from) const { return m_program->count(u"FROM "_s + from); }
    QString idOf(int qid) const
    {
        return scalar(u"SELECT StableID FROM QuestionKeys WHERE QID = %1"_s.arg(qid)).toString();
    }
    // Ann's scored exam 1, answered wrong on Software Testing's twenty questions (QID 1 to 20).
    void storeAnnsExam() const { m_program->storeAnswered(u"Ann"_s, u"0:"_s + QString(20, u'W')); }
    // What the review of an exam shows: each row's question, choices, key and explanation.
    static Rows reviewOf(qint32 examId)
    {
        ReviewSession review;
        if (!review.review(examId))
            return {};
        Rows shown;
        const std::shared_ptr<Recordset> rs = review.examRows();
        for (int row = 0; row < rs->RecordCount(); ++row) {
            QVariantList line;
            for (const char *field : {"QID", "Question", "A", "B", "C", "D", "CorrectAnswer", "Description"})
                line << rs->value(row, rs->fieldIndex(QString::fromLatin1(field)));
            shown << line;
        }
        return shown;
    }
    // An editor on the program's database, shown as the menu shows it.
    std::unique_ptr<frmQuestionEditor> openEditor() const
    {
        auto editor = std::make_unique<frmQuestionEditor>();
        editor->setAttribute(Qt::WA_DeleteOnClose, false);
        if (!editor->load())
            return nullptr;
        editor->show();
        return editor;
    }
    template <class Edit> static void typeInto(Edit *edit, const QString &text)
    {
        edit->selectAll();
        text.isEmpty() ? QTest::keyClick(edit, Qt::Key_Delete) : QTest::keyClicks(edit, text);
    }
    static void setKeys(frmQuestionEditor *editor, const QString &keys)
    {
        for (int i = 0; i < QuestionEditorSession::kMaxChoices; ++i) {
            QCheckBox *box = editor->keyBox(i);
            if (box->isChecked() != keys.contains(QChar(u'A' + i)))
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
        }
    }
    // A question entered and applied; its choices from A on as typed, an empty one cleared.
    static void enter(frmQuestionEditor *editor, const QString &question, const QStringList &choices,
        const QString &keys, const QString &category)
    {
        editor->questionEdit()->setPlainText(question);
        for (int i = 0; i < choices.size(); ++i)
            typeInto(editor->choiceEdit(i), choices.at(i));
        setKeys(editor, keys);
        editor->categoryBox()->setCurrentText(category);
        click(editor->applyButton());
    }
    static QStringList shownIds(const frmQuestionEditor *editor)
    {
        QStringList ids;
        for (int row = 0; row < editor->table()->model()->rowCount(); ++row)
            ids << editor->table()->model()->index(row, frmQuestionEditor::Id).data().toString();
        return ids;
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({20, 12, 0, 12, 12, 12});
        gDbPath = m_program->folder();
        SetRunToken(u"this-run"_s);
        gTimeLeft = 720;
    }
    void cleanup() { m_program.reset(); }

    // Draws and the shortage check count only the questions not retired.
    void retiredIsNeverDrawn_data() { TestSupport::addCases(u"sessions/editor-draws.tsv"_s); }
    void retiredIsNeverDrawn()
    {
        const QString categories = text("categories"), allowed = text("allowed");
        storeAnnsExam();
        m_program->exec(u"UPDATE Q_A SET Retired = 1 WHERE "_s + text("retired"));
        const int n = SessionCases::number("questions");
        const bool mistakes = SessionCases::flag("practise");
        const ExamSession::DrawCheck check
            = ExamSession::checkDraw(n, ticked(categories), mistakes ? std::optional<QString>(u"Ann"_s) : std::nullopt);
        QVERIFY(check.read);
        QCOMPARE(check.noMistakes, SessionCases::flag("noMistakes"));
        QString found;
        if (check.shortage)
            found = u"%1 %2 %3"_s.arg(check.shortage->category).arg(check.shortage->has).arg(check.shortage->needs);
        QCOMPARE(found, text("shortage"));
        if (allowed.isEmpty())
            return;
        ExamSession session;
        QVERIFY(session.create(u"Ann"_s, n, ticked(categories), mistakes));
        const QString exam = u"ExamDetails WHERE ExamID = %1"_s.arg(session.examId());
        QCOMPARE(count(exam), n);
        QCOMPARE(count(exam + u" AND QID IN (SELECT QID FROM Q_A WHERE Retired = 1)"_s), 0);
        QCOMPARE(count(exam + u" AND QID IN (SELECT QID FROM Q_A WHERE "_s + allowed + u')'), n);
        QCOMPARE(count(u"(SELECT DISTINCT QID FROM "_s + exam + u')'), n);
    }

    // Reworded, a used question keeps its id, row and key; a newer shipped pool does not rewrite the
    // trainer's words, and differing in nothing else is not carried at all.
    void rewordingKeepsTheId()
    {
        const QString installed = m_program->folder() + u"/installed.mdb"_s;
        QVERIFY(QFile::copy(dbPath(), installed));
        storeAnnsExam();
        const QString id = idOf(3);
        const auto editor = openEditor();
        QVERIFY(editor->openQuestion(3));
        typeInto(editor->questionEdit(), u"Software Testing question three, reworded"_s);
        typeInto(editor->choiceEdit(1), u"Choice B of three"_s);
        MessageBox::setNextAnswer(MessageBox::No); // the choice's new words mean the same
        click(editor->applyButton());
        click(editor->saveButton());
        QCOMPARE(TestSupport::query(dbPath(),
                     u"SELECT q.Question, q.B, q.CorrectAnswer, q.Retired, k.StableID, k.Origin FROM Q_A q JOIN "
                     u"QuestionKeys k USING (QID) WHERE q.QID = 3"_s),
            (Rows{
                {u"Software Testing question three, reworded"_s, u"Choice B of three"_s, u"C"_s, 0, id, u"edited"_s}}));
        QCOMPARE(count(u"Q_A"_s), 68);
        PoolStore::Report report;
        QString error;
        QVERIFY2(PoolStore::carryShipped(installed, dbPath(), &report, &error), qPrintable(error));
        QCOMPARE(report.questions, 0);
        TestSupport::exec(installed, u"UPDATE Q_A SET Question = 'Newer words' WHERE QID = 4"_s);
        QVERIFY2(PoolStore::carryShipped(installed, dbPath(), &report, &error), qPrintable(error));
        QCOMPARE(report.keptEdited, QStringList{id + u" (\"Software Testing question three, reworded\")"_s});
        QCOMPARE(TestSupport::query(dbPath(), u"SELECT Question FROM Q_A WHERE QID IN (3, 4) ORDER BY QID"_s),
            (Rows{{u"Software Testing question three, reworded"_s}, {u"Newer words"_s}}));
    }

    // A used question whose meaning changes is replaced by a new one and retired, its exams' review as it
    // was; an unused question changes in place.
    void meaningChangeMakesANewQuestion_data() { TestSupport::addCases(u"sessions/editor-meaning.tsv"_s); }
    void meaningChangeMakesANewQuestion()
    {
        const QString keys = text("keys"), choiceB = text("choiceB");
        const int qid = SessionCases::number("qid"), choices = SessionCases::number("choices");
        const int answer = SessionCases::number("answer");
        const bool replaced = SessionCases::flag("replaced");
        storeAnnsExam();
        const Rows review = reviewOf(1);
        QCOMPARE(review.size(), 20);
        const QString id = idOf(qid);
        const auto editor = openEditor();
        QVERIFY(editor->openQuestion(qid));
        setKeys(editor.get(), keys);
        for (int i = choices; i < 4; ++i)
            typeInto(editor->choiceEdit(i), QString());
        if (!choiceB.isEmpty())
            typeInto(editor->choiceEdit(1), choiceB);
        MessageBox::clearShown();
        if (answer)
            MessageBox::setNextAnswer(answer);
        QVERIFY(editor->Apply_Click());
        QCOMPARE(MessageBox::shown().size(), answer ? 1 : 0);
        QCOMPARE(editor->currentId(), replaced ? id + u"-r1"_s : id);
        click(editor->saveButton());
        QCOMPARE(idOf(qid), id);
        QCOMPARE(count(u"Q_A"_s), replaced ? 69 : 68);
        QCOMPARE(scalar(u"SELECT Retired FROM Q_A WHERE QID = %1"_s.arg(qid)).toInt(), replaced ? 1 : 0);
        // Ann's review shows a reworded choice in its new words, and a replaced (retired) question as it was.
        Rows expected = review;
        if (!replaced && !choiceB.isEmpty())
            expected[qid - 1][3] = choiceB;
        QCOMPARE(reviewOf(1), expected);
        if (!replaced) {
            QCOMPARE(scalar(u"SELECT CorrectAnswer FROM Q_A WHERE QID = %1"_s.arg(qid)).toString(), keys);
            return;
        }
        QCOMPARE(TestSupport::query(dbPath(),
                     u"SELECT q.QID, q.CorrectAnswer, q.Category, q.Retired, k.Origin, "
                     u"q.D IS NULL FROM Q_A q JOIN "
                     "QuestionKeys k USING (QID) WHERE k.StableID = '%1-r1'"_s.arg(id)),
            (Rows{{69, keys, u"Software Testing"_s, 0, u"imported"_s, choices < 4 ? 1 : 0}}));
        // Twenty Software Testing questions can be drawn, the new one among them, the old one never.
        ExamSession session;
        QVERIFY(session.create(u"Bob"_s, 20, ticked(u"0"_s), false));
        const QString exam = u"ExamDetails WHERE ExamID = %1"_s.arg(session.examId());
        QCOMPARE(count(exam + u" AND QID = %1"_s.arg(qid)), 0);
        QCOMPARE(count(exam + u" AND QID = 69"_s), 1);
    }

    // The table's filters (a choice's text without regard to case); retire and restore on the screen; only a
    // question no stored exam uses can be deleted.
    void filtersRetireRestoreAndDelete()
    {
        storeAnnsExam();
        m_program->exec(u"UPDATE Q_A SET Retired = 1 WHERE QID IN (1, 2, 30)"_s);
        m_program->exec(u"UPDATE QuestionKeys SET Origin = 'imported' WHERE QID IN (2, 3)"_s);
        const auto editor = openEditor();
        QCOMPARE(shownIds(editor.get()).size(), 68);
        editor->categoryFilter()->setCurrentText(u"Software Testing"_s);
        QCOMPARE(shownIds(editor.get()).size(), 20);
        QTest::keyClicks(editor->textFilter(), u"choice d OF 12"_s);
        QCOMPARE(shownIds(editor.get()), QStringList{idOf(12)});
        editor->textFilter()->setText(u"QUESTION 1"_s);
        QCOMPARE(shownIds(editor.get()).size(), 11); // 1 and 10 to 19
        editor->retiredFilter()->setCurrentIndex(2);
        QCOMPARE(shownIds(editor.get()), QStringList{idOf(1)});
        editor->textFilter()->clear();
        editor->categoryFilter()->setCurrentIndex(0);
        QCOMPARE(shownIds(editor.get()).size(), 3);
        editor->originFilter()->setCurrentText(u"imported"_s);
        QCOMPARE(shownIds(editor.get()), QStringList{idOf(2)});
        editor->retiredFilter()->setCurrentIndex(1);
        QCOMPARE(shownIds(editor.get()), QStringList{idOf(3)});

        QVERIFY(editor->openQuestion(5));
        QCOMPARE(editor->retireButton()->text(), u"&Retire"_s);
        click(editor->retireButton());
        QCOMPARE(editor->retireButton()->text(), u"&Restore"_s);
        click(editor->saveButton());
        QCOMPARE(scalar(u"SELECT group_concat(QID) FROM (SELECT QID FROM Q_A WHERE Retired = 1 ORDER BY QID)"_s),
            u"1,2,5,30"_s);
        editor->retiredFilter()->setCurrentIndex(2);
        QVERIFY(shownIds(editor.get()).contains(idOf(5)));
        click(editor->retireButton());
        click(editor->saveButton());
        QCOMPARE(count(u"Q_A WHERE Retired = 1"_s), 3);

        editor->retiredFilter()->setCurrentIndex(0);
        QVERIFY(editor->openQuestion(1));
        QVERIFY(!editor->deleteButton()->isEnabled());
        editor->Delete_Click();
        QCOMPARE(TestSupport::box(-1).value(2).toInt(), int(MessageBox::Exclamation));
        QVERIFY(!editor->session().isModified());
        const QString id = idOf(21);
        QVERIFY(editor->openQuestion(21));
        QVERIFY(editor->deleteButton()->isEnabled());
        click(editor->deleteButton());
        click(editor->saveButton());
        QCOMPARE(count(u"Q_A"_s), 67);
        QCOMPARE(count(u"Q_A WHERE QID = 21"_s), 0);
        QCOMPARE(count(u"QuestionKeys WHERE StableID = '%1'"_s.arg(id)), 0);
    }

    // Edits are undone and redone one at a time until Save; Revert drops what is left; a question added.
    void undoRedoAndAdd()
    {
        const auto editor = openEditor();
        const std::vector<QuestionEditorSession::Question> loaded = editor->session().rows();
        QVERIFY(editor->openQuestion(2));
        typeInto(editor->questionEdit(), u"Second, reworded"_s);
        click(editor->applyButton());
        const std::vector<QuestionEditorSession::Question> reworded = editor->session().rows();
        click(editor->retireButton());
        QVERIFY(editor->session().at(1).retired);
        click(editor->undoButton());
        QVERIFY(editor->session().rows() == reworded);
        QCOMPARE(editor->questionEdit()->toPlainText(), u"Second, reworded"_s);
        click(editor->undoButton());
        QVERIFY(editor->session().rows() == loaded);
        QCOMPARE(editor->questionEdit()->toPlainText(), u"Software Testing question 2"_s);
        QVERIFY(!editor->undoButton()->isEnabled() && !editor->saveButton()->isEnabled());
        click(editor->redoButton());
        QVERIFY(editor->session().rows() == reworded);
        click(editor->saveButton());
        QCOMPARE(TestSupport::query(dbPath(), u"SELECT Question, Retired FROM Q_A WHERE QID = 2"_s),
            (Rows{{u"Second, reworded"_s, 0}}));
        QVERIFY(!editor->undoButton()->isEnabled() && !editor->saveButton()->isEnabled());
        // An edit after the save, reverted: nothing written.
        click(editor->retireButton());
        click(editor->revertButton());
        QVERIFY(!editor->session().isModified());
        QCOMPARE(count(u"Q_A WHERE Retired = 1"_s), 0);
        // Added on the screen: a new stable id, the trainer's own.
        click(editor->newButton());
        QTest::keyClicks(editor->explanationEdit(), u"A spy remembers."_s);
        enter(editor.get(), u"Which test double records its calls?"_s, {u"A spy"_s, u"A dummy"_s, u"A stub"_s}, u"A"_s,
            u"Quality Assurance"_s);
        QCOMPARE(editor->currentId(), u"tr-1"_s);
        QCOMPARE(count(u"Q_A"_s), 68); // nothing written before Save
        QVERIFY(editor->saveButton()->isEnabled());
        click(editor->saveButton());
        QCOMPARE(TestSupport::query(dbPath(),
                     u"SELECT q.QID, q.Question, q.A, q.B, q.C, q.D, q.CorrectAnswer, q.Category, q.Description, "
                     u"q.Retired, k.Origin FROM Q_A q JOIN QuestionKeys k USING (QID) WHERE k.StableID = 'tr-1'"_s),
            (Rows{{69, u"Which test double records its calls?"_s, u"A spy"_s, u"A dummy"_s, u"A stub"_s, QVariant(),
                u"A"_s, u"Quality Assurance"_s, u"A spy remembers."_s, 0, u"imported"_s}}));
    }

    // A broken question is refused next to the field, changing nothing; put right, the refusal goes.
    void refusals_data() { TestSupport::addCases(u"sessions/editor-refusals.tsv"_s); }
    void refusals()
    {
        const QString field = text("field");
        const auto editor = openEditor();
        QVERIFY(editor->openQuestion(25));
        const std::vector<QuestionEditorSession::Question> before = editor->session().rows();
        enter(editor.get(), text("question"), text("choiceLines").split(u'\n'), text("keys"), text("category"));
        QVERIFY(editor->session().rows() == before);
        QVERIFY(!editor->undoButton()->isEnabled());
        for (QLabel *label :
            {editor->questionMessage(), editor->choiceMessage(), editor->keysMessage(), editor->categoryMessage()}) {
            QCOMPARE(label->isVisible(), label->objectName() == field);
            if (label->objectName() == field)
                QCOMPARE(label->text(), text("message"));
        }
        enter(editor.get(), u"Q?"_s, {u"One"_s, u"Two"_s, u"Three"_s, u"Four"_s}, u"A"_s, u"Software Testing"_s);
        QVERIFY(!editor->findChild<QLabel *>(field)->isVisible());
        QVERIFY(editor->undoButton()->isEnabled());
    }

    // One editor, from the File menu and from the statistics' double-click; quitting with unsaved edits asks
    // whether to drop them, and kept, the program stays open.
    void openedFromTheMenuAndTheStatisticsAndQuit()
    {
        frmMain *window = m_program->start();
        auto *action = window->findChild<QAction *>(u"mnuEditQuestions"_s);
        QVERIFY(action && action->isVisible() && action->isEnabled());
        action->trigger();
        QPointer<frmQuestionEditor> editor = window->findChild<frmQuestionEditor *>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->session().count(), 68);
        editor->resize(1100, 640);
        TestSupport::screenshot(
            editor, qEnvironmentVariable("QT_SCALE_FACTOR") == u"2"_s ? u"editor-200"_s : u"editor-100"_s);
        frmQuestionStats *stats = window->QuestionStatistics();
        QVERIFY(stats);
        emit stats->questionActivated(7, idOf(7));
        QCOMPARE(window->findChildren<frmQuestionEditor *>().size(), 1);
        QCOMPARE(editor->currentId(), idOf(7));
        QCOMPARE(editor->questionEdit()->toPlainText(), u"Software Testing question 7"_s);

        click(editor->retireButton());
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes); // quit
        MessageBox::setNextAnswer(MessageBox::No); // but keep the edits
        QVERIFY(!window->close());
        QCOMPARE(MessageBox::shown().size(), 2);
        QVERIFY(MessageBox::shown().at(1).text.contains(u"not saved"_s));
        QVERIFY(editor && editor->isVisible() && editor->session().isModified());
        MessageBox::setNextAnswer(MessageBox::Yes);
        MessageBox::setNextAnswer(MessageBox::Yes); // drop them
        QVERIFY(window->close());
        QCOMPARE(count(u"Q_A WHERE Retired = 1"_s), 0);
    }
};

QTEST_MAIN(tst_questioneditor)
#include "tst_questioneditor.moc"