#include "QuestionCases.h"
#include "ScreenSuite.h"
#include <map>

#include "review/ExamReport.h"
#include "shell/frmMenu.h"
#include "widgets/DataBinder.h"
#include "widgets/Twips.h"

// The results screen: list, review, deletion, and how the main window fits its screens.
class tst_review final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;

    frmViewExam *openResults() { return TestSupport::openResults(window()); }
    frmViewExam *review(int row) { return TestSupport::review(window(), row); }
    frmMain *window() { return m_window ? m_window : (m_window = m_program->start()); }
    qint32 storeExam(const QString &name, const QVariant &result, const QList<std::pair<int, QString>> &answers = {})
    {
        return m_program->storeExam(name, u"2026-01-01 10:00:00"_s, 10, result, answers);
    }
    // The results-list table's column shown in each column of the grid (the name is the row's own).
    static inline const QStringList kShown{
        u"id"_s, u"date shown"_s, QString(), u"questions"_s, u"right shown"_s, u"percent"_s};
    static QString cell(frmViewExam *view, int row, int column)
    {
        return view->gridModel()->index(row, column).data().toString();
    }
    void deleteReviewed(int answer)
    {
        MessageBox::setNextAnswer(answer);
        click(m_window->viewExamForm()->Command1(ViewExamCommand::DeleteExam));
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({12, 12, 12, 12, 12, 12});
        m_window = nullptr;
    }
    void cleanup() { m_program.reset(); }

    // An empty list offers nothing to review or delete; a filled one shows each exam's line.
    void list()
    {
        frmViewExam *view = openResults();
        QCOMPARE(view->windowTitle(), u" View Results"_s);
        QCOMPARE(view->gridModel()->rowCount(), 0);
        QStringList headings;
        for (int c = 0; c < view->gridModel()->columnCount(); ++c)
            headings << view->gridModel()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings.join(u'|'), u"ExamID|Date|User Name|No of Questions|Correct Answers|Result (%)"_s);
        QVERIFY(view->Grid1()->isColumnHidden(0));
        QCOMPARE(view->Grid1()->toolTip(), u"Double click to review exam"_s);
        QVERIFY(!view->Command1(ViewExamCommand::DeleteExam)->isEnabled());
        view->Grid1_DblClick();
        QVERIFY(view->Frame1(ViewExamFrame::Review)->isHidden());
        QCOMPARE(view->windowTitle(), u" View Results"_s);
        // Stored with the older date second; listed by ascending exam number all the same, every
        // second line shaded; a date that is none (NULL, not a date) shows empty.
        const TestSupport::CaseTable table = TestSupport::caseTable(u"screens/results-list.tsv"_s);
        for (const QStringList &row : table.rows)
            m_program->storeExam(row.at(0), table.value(row, u"date"_s), table.value(row, u"questions"_s).toInt(),
                table.value(row, u"result"_s).isEmpty() ? QVariant() : QVariant(table.value(row, u"result"_s)));
        m_program->exec(u"UPDATE ExamTitle SET ExamDate = NULL WHERE ExamDate = 'NULL'"_s);
        view = openResults();
        gRs.reset(); // the grid keeps its own reference
        gDB.reset();
        for (int r = 0; r < table.rows.size(); ++r) {
            const QStringList &row = table.rows.at(r);
            for (int column = 0; column < 6; ++column) {
                QCOMPARE(cell(view, r, column), column == 2 ? row.at(0) : table.value(row, kShown[column]));
                QCOMPARE(view->gridModel()->index(r, column).data(Qt::BackgroundRole),
                    r % 2 ? QVariant(QColor(192, 192, 192)) : QVariant());
            }
        }
        TestSupport::screenshot(m_window, u"results-list"_s);
    }

    void reviewColoursAndNavigation()
    {
        storeExam(u"Ann"_s, 1,
            {{2, u"B"_s}, {6, u"C"_s}, {10, QString()}, {1, u"A"_s}, {5, u"A"_s}, {9, u"A"_s}, {13, u"A"_s},
                {17, u"A"_s}, {21, u"A"_s}, {25, u"A"_s}});
        storeExam(u"Two"_s, 1, {{1, u"B"_s}, {3, u"C"_s}});
        storeExam(u"Empty"_s, QVariant());
        frmViewExam *view = review(0);
        QCOMPARE(view->windowTitle(), u" Exam # 1 (Ann)"_s);
        QVERIFY(view->Frame1(ViewExamFrame::Review)->isVisible()
            && view->Command1(ViewExamCommand::DeleteExam)->isEnabled());
        QCOMPARE(std::pair(gExamID, gUserName), std::pair(1, u"Ann"_s));
        QCOMPARE(view->txtFieldsText(ViewExamField::Category), u"Software Testing"_s);
        QCOMPARE(view->txtFieldsText(ViewExamField::CorrectAnswer), u"B"_s);
        QVERIFY(!view->txtFieldsText(ViewExamField::Description).isEmpty());
        const TestSupport::CaseTable steps = TestSupport::caseTable(u"screens/review-moves.tsv"_s);
        using C = ViewExamCommand;
        const std::map<QString, C> moves{
            {u"first"_s, C::First}, {u"previous"_s, C::Previous}, {u"next"_s, C::Next}, {u"last"_s, C::Last}};
        for (const QStringList &step : steps.rows) {
            if (!steps.value(step, u"command"_s).isEmpty())
                click(view->Command1(moves.at(steps.value(step, u"command"_s))));
            QCOMPARE(view->txtFieldsText(ViewExamField::Answer), steps.value(step, u"answer"_s));
            QCOMPARE(view->txtFields(ViewExamField::Answer)->palette().color(QPalette::Base),
                QColor(steps.value(step, u"colour"_s)));
            QCOMPARE(view->lblStatus()->text(), u"Question: %1 of 10"_s.arg(steps.value(step, u"position"_s)));
            QCOMPARE(SystemBeep::count(), steps.value(step, u"beeps"_s).toInt());
            if (step.first() == u"next")
                TestSupport::screenshot(m_window, u"review-wrong-answer"_s);
        }
        // Nothing typed or moved changes the stored exam.
        using F = ViewExamField;
        for (F i : {F::Question, F::A, F::Answer, F::CorrectAnswer, F::Description})
            QVERIFY(view->txtFields(i)->property("readOnly").toBool());
        QTest::keyClicks(view->txtFields(ViewExamField::Answer), u"D"_s);
        click(view->Command1(ViewExamCommand::First));
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE Answer = 'D'"_s), 0);
        // Another exam reviewed in the same screen; one without questions shows empty boxes, and
        // moving does nothing and nothing fails.
        review(1);
        QCOMPARE(view->windowTitle(), u" Exam # 2 (Two)"_s);
        QCOMPARE(view->reviewedExamId(), 2);
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 2"_s);
        QCOMPARE(view->txtFieldsText(ViewExamField::Answer), u"B"_s);
        review(2);
        QCOMPARE(view->txtFieldsText(ViewExamField::Question), QString());
        const int beeps = SystemBeep::count();
        for (ViewExamCommand index :
            {ViewExamCommand::First, ViewExamCommand::Previous, ViewExamCommand::Next, ViewExamCommand::Last})
            click(view->Command1(index));
        QCOMPARE(SystemBeep::count(), beeps);
        QCOMPARE(view->lblStatus()->text(), u"Question: 0 of 0"_s);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // A refused delete: reported in readOnlyFirstVersionDatabase, undone whole in tst_reviewsession.
    void deleting()
    {
        storeExam(u"Keep"_s, 3, {{1, u"A"_s}});
        storeExam(u"O'Hara"_s, 3, {{1, u"A"_s}, {2, u"B"_s}});
        frmViewExam *view = review(1);
        deleteReviewed(MessageBox::No);
        QCOMPARE(gMsgResult, u"7"_s);
        QCOMPARE(m_window->viewExamForm(), view);
        QCOMPARE(view->windowTitle(), u" Exam # 2 (O'Hara)"_s);
        QCOMPARE(m_program->count(u"FROM ExamDetails"_s), 3);
        deleteReviewed(MessageBox::Yes);
        QCOMPARE(MessageBox::shown().size(), 3);
        QCOMPARE(box(1),
            (QVariantList{u"You are about to delete the exam # 2 (O'Hara)"_s, u"Delete Exam"_s, MessageBox::Question}));
        QCOMPARE(std::pair(MessageBox::shown().at(1).buttons, MessageBox::shown().at(1).defaultButton),
            std::pair(MessageBox::YesNo, MessageBox::DefaultButton1));
        QCOMPARE(box(2),
            (QVariantList{
                u"The exam successfully removed from database."_s, u"Operation Completed"_s, MessageBox::Information}));
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE ExamID = 2"_s), 0);
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE ExamID = 1"_s), 1);
        frmViewExam *reloaded = m_window->viewExamForm();
        QVERIFY(reloaded != view);
        QCOMPARE(reloaded->gridModel()->rowCount(), 1);
        QCOMPARE(cell(reloaded, 0, 2), u"Keep"_s);
        QVERIFY(reloaded->Frame1(ViewExamFrame::Review)->isHidden()
            && !reloaded->Command1(ViewExamCommand::DeleteExam)->isEnabled());
    }

    // A read-only file of the first version (Q_A without E and F, no progress or flags tables,
    // which a file that cannot be written cannot gain): reviewed as it stands; deleting and
    // starting an exam are refused with the reason, and nothing is offered or left half done.
    void readOnlyFirstVersionDatabase()
    {
        QuestionCases::execFile(m_program->dbPath(), u"pool/first-version.sql"_s);
        storeExam(u"Frozen"_s, 1, {{1, u"A"_s}, {2, u"C"_s}});
        // Even root cannot write to an immutable file, so this stands for a read-only Exam.mdb.
        if (QProcess::execute(u"chattr"_s, {u"+i"_s, m_program->dbPath()}) != 0)
            QSKIP("chattr +i is not available here");
        const auto thaw = qScopeGuard([this] { QProcess::execute(u"chattr"_s, {u"-i"_s, m_program->dbPath()}); });
        frmViewExam *view = review(0);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(view->txtFieldsText(ViewExamField::Answer), u"A"_s);
        QVERIFY(view->txtFields(ViewExamField::D)->isVisibleTo(view)
            && !view->txtFields(ViewExamField::E)->isVisibleTo(view));
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        click(view->Command1(ViewExamCommand::Next));
        QCOMPARE(view->txtFieldsText(ViewExamField::Answer), u"C"_s);
        deleteReviewed(MessageBox::Yes);
        QVERIFY2(MessageBox::shown().last().text.startsWith(u"The exam could not be removed from the database:\n"_s),
            qPrintable(MessageBox::shown().last().text));
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 1);
        MessageBox::clearShown();
        frmExam *exam = TestSupport::openExam(m_window);
        QVERIFY(MessageBox::shown().isEmpty());
        TestSupport::startExam(m_window, u"Reader"_s);
        QVERIFY(MessageBox::shown().last().text.startsWith(u"The exam could not be stored:\n"_s));
        QVERIFY(exam->Frame1(ExamFrame::Categories)->isEnabled());
        QVERIFY(!AppExit::requested());
    }

    // The review shows E and F where a question has them and, on a question of several right
    // answers, marks each letter; the breakdown and the report count and show it alike.
    void severalRightAnswersMarked_data() { TestSupport::addCases(u"screens/review-marks.tsv"_s); }
    void severalRightAnswersMarked()
    {
        const auto [correct, e, answer, marks, right] = SessionCases::texts("correct", "e", "answer", "marks", "right");
        m_program->exec(u"UPDATE Q_A SET CorrectAnswer = '%1', E = NULLIF('%2', '') WHERE QID = 1"_s.arg(correct, e));
        const qint32 id = storeExam(u"Mo"_s, right, {{1, answer}});
        frmViewExam *view = review(0);
        QCOMPARE(view->reviewedExamId(), id);
        QCOMPARE(view->txtFieldsText(ViewExamField::Answer), answer);
        QCOMPARE(view->txtFields(ViewExamField::E)->isVisibleTo(view), !e.isEmpty());
        QVERIFY(!view->txtFields(ViewExamField::F)->isVisibleTo(view));
        if (!e.isEmpty())
            QCOMPARE(DataBinder::textOf(view->txtFields(ViewExamField::E)), e);
        QStringList shown;
        for (int k = 0; k < 6; ++k)
            shown << (view->choiceMark(k)->isVisibleTo(view) ? view->choiceMark(k)->text() : QString());
        QCOMPARE(shown.join(u','), marks);
        if (right == u"0")
            TestSupport::screenshot(m_window, u"review-choose%1"_s.arg(correct.size()));
        QCOMPARE(view->breakdown().total.correct, right.toInt());
        const QString report = ExamReport::html({id, u"Mo"_s}, *view->rsExam(), view->breakdown());
        QCOMPARE(report.contains(u"E. Five"_s), !e.isEmpty());
        for (const QString &mark : {u"right"_s, u"wrong"_s, u"missed"_s})
            QCOMPARE(report.count(u"[%1]"_s.arg(mark)), shown.count(mark));
        QCOMPARE(report.contains(u"Choose "_s), correct.size() > 1);
    }

    // Without other screens only the menu follows the main window's height; the exam and results
    // screens reach from the menu to the right edge, their long boxes widening with the window, also
    // after a minimise and when too narrow for the question frame.
    void resize()
    {
        QWidget *menuWindow = window()->menuForm()->parentWidget();
        const int menuWidth = menuWindow->width();
        const auto resizeTo = [this](int width, int height) {
            m_window->resize(width, height);
            QCoreApplication::processEvents();
        };
        resizeTo(700, 500);
        QCOMPARE(menuWindow->size(), QSize(menuWidth, m_window->clientSize().height()));
        frmExam *exam = TestSupport::openExam(m_window);
        frmViewExam *view = openResults();
        QList<QWidget *> parts{exam->parentWidget(), exam->Frame1(ExamFrame::Question), view->parentWidget(),
            view->Frame1(ViewExamFrame::Review), view->txtFields(ViewExamField::Description)};
        for (int i = 0; i <= 4; ++i)
            parts << exam->txtFields(i) << view->txtFields(i);
        const qsizetype stretched = parts.size();
        parts << exam->txtFields(ExamField::Category) << view->txtFields(ViewExamField::Answer)
              << view->txtFields(ViewExamField::Category) << view->txtFields(ViewExamField::CorrectAnswer);
        const auto geometries = [&parts] {
            QList<QRect> rects;
            for (QWidget *p : parts)
                rects << p->geometry();
            return rects;
        };
        QList<QRect> widened = geometries();
        for (qsizetype i = 0; i < stretched; ++i)
            widened[i].adjust(0, 0, Twips::toPx(1000), 0);
        const QSize size(m_window->width() + Twips::toPx(1000), m_window->height());
        resizeTo(size.width(), size.height());
        QCOMPARE(geometries(), widened);
        for (QWidget *screen : {exam->parentWidget(), view->parentWidget()})
            QCOMPARE(std::tuple(screen->x(), screen->geometry().right(), screen->height()),
                std::tuple(menuWindow->frameGeometry().width(), m_window->clientSize().width() - 1,
                    m_window->clientSize().height()));
        // A minimised window leaves the client area with no size at all.
        resizeTo(m_window->minimumSizeHint().width(), m_window->minimumSizeHint().height());
        resizeTo(size.width(), size.height());
        QCOMPARE(geometries(), widened);
        QVERIFY(exam->isVisible() && view->isVisible());
        // The question frame would come out of negative width: it keeps its width, its boxes fitted.
        const int frameBefore = exam->Frame1(ExamFrame::Question)->width();
        resizeTo(Twips::toPx(2500) + 40, m_window->height());
        QVERIFY(exam->parentWidget()->width() < Twips::toPx(2500));
        QCOMPARE(exam->Frame1(ExamFrame::Question)->width(), frameBefore);
        for (int i = 0; i <= 4; ++i)
            QCOMPARE(exam->txtFields(i)->width(),
                Twips::toPx(Twips::fromPx(frameBefore) - Twips::fromPx(exam->txtFields(i)->x()) - 100));
    }
};

QTEST_MAIN(tst_review)
#include "tst_review.moc"
