#include <QTest>
#include <QtWidgets>

#include "TestSupport.h"
#include "core/AppExit.h"
#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/SystemBeep.h"
#include "review/ExamListModel.h"
#include "review/ExamReport.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/DataBinder.h"
#include "widgets/Twips.h"

using TestSupport::box;
using namespace Qt::StringLiterals;

// The results screen: list, review, deletion, and how the main window fits its screens.
class tst_review final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;

    frmViewExam *openResults()
    {
        if (!m_window)
            m_window = m_program->start();
        m_window->menuForm()->OpenScreen(1);
        return m_window->viewExamForm();
    }
    // Stores an exam; answers[i] pairs the stored answer (empty for none) with the question's correct letter.
    qint32 addExam(const QString &name, const QString &date, int count, const QVariant &result,
        const QList<std::pair<QString, QString>> &answers = {})
    {
        const QString quoted = QString(name).replace(QLatin1Char('\''), QLatin1String("''"));
        m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) "
                                       "VALUES ('%1', '%2', %3, %4)")
                            .arg(quoted, date)
                            .arg(count)
                            .arg(result.isNull() ? QStringLiteral("NULL") : result.toString()));
        const int id = m_program->scalar(QStringLiteral("SELECT max(ExamID) FROM ExamTitle")).toInt();
        int qid = 0; // question q of Software Testing has the correct letter "ABCD"[(q-1) % 4]
        for (const auto &[answer, correct] : answers) {
            do
                ++qid;
            while (QStringLiteral("ABCD").at((qid - 1) % 4) != correct.at(0));
            m_program->exec(QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
                                           "VALUES (%1, '%2', %3, NULLIF('%4', ''), -('%4' <> ''))")
                                .arg(QString::number(id), quoted, QString::number(qid), answer));
        }
        return id;
    }
    void reviewRow(frmViewExam *view, int row)
    {
        const QPoint where = view->Grid1()->visualRect(view->gridModel()->index(row, 1)).center();
        // A double-click counts on the line that its first press chose.
        QTest::mouseClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
    }
    QString cell(frmViewExam *view, int row, int column) const
    {
        return view->gridModel()->index(row, column).data().toString();
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    int count(const QString &sql) const { return m_program->scalar(QStringLiteral("SELECT count(*) ") + sql).toInt(); }
    void verifyDeleteRefused(const QString &reason)
    {
        const QString text = MessageBox::shown().last().text;
        QVERIFY2(text.startsWith(QStringLiteral("The exam could not be removed from the database:\n"))
                && text.contains(reason),
            qPrintable(text));
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

    void emptyList()
    {
        frmViewExam *view = openResults();
        QCOMPARE(view->windowTitle(), QStringLiteral(" View Results"));
        QVERIFY(gViewExamLoaded);
        QCOMPARE(view->gridModel()->rowCount(), 0);
        QCOMPARE(view->gridModel()->columnCount(), 6);
        const QStringList headings{"ExamID", "Date", "User Name", "No of Questions", "Correct Answers", "Result (%)"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(view->gridModel()->headerData(c, Qt::Horizontal).toString(), headings.at(c));
        QVERIFY(view->Grid1()->isColumnHidden(0));
        const int widths[] = {800, 1800, 1460, 1460};
        for (int c = 1; c <= 4; ++c)
            QCOMPARE(view->Grid1()->columnWidth(c), Twips::toPx(widths[c - 1]));
        QVERIFY(view->Grid1()->horizontalHeader()->font().bold());
        QCOMPARE(view->Grid1()->toolTip(), QStringLiteral("Double click to review exam"));
        QCOMPARE(view->Frame2()->title(), QStringLiteral("Manage Exam"));
        QVERIFY(!view->Command1(0)->isEnabled());
        view->Grid1_DblClick();
        QVERIFY(view->Frame1(3)->isHidden());
        QCOMPARE(view->windowTitle(), QStringLiteral(" View Results"));
    }

    void shadingFollowsDisplayedLines_data()
    {
        QTest::addColumn<int>("exams");
        QTest::addColumn<QList<int>>("shaded");
        QTest::newRow("one") << 1 << QList<int>{};
        QTest::newRow("two") << 2 << QList<int>{1};
        QTest::newRow("five") << 5 << QList<int>{1, 3};
    }
    void shadingFollowsDisplayedLines()
    {
        QFETCH(int, exams);
        QFETCH(QList<int>, shaded);
        for (int i = 0; i < exams; ++i)
            addExam(QStringLiteral("P%1").arg(i), QStringLiteral("2026-0%1-01 10:00:00").arg(i + 1), 10, 5);
        frmViewExam *view = openResults();
        QCOMPARE(view->gridModel()->rowCount(), exams);
        TestSupport::screenshot(m_window, QStringLiteral("results-list-%1").arg(exams));
        for (int row = 0; row < exams; ++row)
            for (int column = 0; column < 6; ++column) {
                const QVariant background = view->gridModel()->index(row, column).data(Qt::BackgroundRole);
                QCOMPARE(background.isValid(), shaded.contains(row));
                if (background.isValid())
                    QCOMPARE(background.value<QColor>(), QColor(192, 192, 192));
            }
    }

    void listCells()
    {
        // Stored with the older date second; listed by ascending exam number all the same.
        addExam(QStringLiteral("A"), QStringLiteral("2003-03-05 09:00:00"), 30, 2);
        addExam(QStringLiteral("B"), QStringLiteral("2002-03-05 09:00:00"), 30, 7);
        addExam(QStringLiteral("C"), QStringLiteral("2026-01-03 10:00:00"), 10, 10);
        addExam(QStringLiteral("D"), QStringLiteral("2026-01-04 10:00:00"), 10, QVariant());
        frmViewExam *view = openResults();
        gRs.reset(); // the grid keeps its own reference
        gDB.reset();
        const QList<QStringList> expected{{"1", "03/05/03", "A", "30", "2", "6"},
            {"2", "03/05/02", "B", "30", "7", "23"}, {"3", "01/03/26", "C", "10", "10", "100"},
            {"4", "01/04/26", "D", "10", "", ""}};
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 6; ++column)
                QCOMPARE(cell(view, row, column), expected.at(row).at(column));
    }

    void reviewColoursAndNavigation()
    {
        addExam(QStringLiteral("Ann"), QStringLiteral("2026-01-01 10:00:00"), 10, 1,
            {{"B", "B"}, {"C", "B"}, {"", "B"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"},
                {"A", "A"}});
        frmViewExam *view = openResults();
        reviewRow(view, 0);
        QCOMPARE(view->windowTitle(), QStringLiteral(" Exam # 1 (Ann)"));
        QVERIFY(view->Frame1(3)->isVisible() && view->Command1(0)->isEnabled());
        QCOMPARE(gExamID, 1);
        QCOMPARE(gUserName, QStringLiteral("Ann"));
        QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
        QCOMPARE(view->txtFieldsText(7), QStringLiteral("Software Testing"));
        QCOMPARE(view->txtFieldsText(8), QStringLiteral("B"));
        QVERIFY(!view->txtFieldsText(9).isEmpty());
        // Each step: the command clicked (none at first), then the answer shown, its colour, status and beeps.
        const QList<std::tuple<int, QString, QColor, int, int>> steps{{-1, "B", Qt::white, 1, 0},
            {5, "C", Qt::red, 2, 0}, {5, "", Qt::red, 3, 0}, {2, "B", Qt::white, 1, 0}, {3, "B", Qt::white, 1, 1},
            {6, "A", Qt::white, 10, 1}, {5, "A", Qt::white, 10, 2}};
        for (const auto &[command, answer, colour, position, beeps] : steps) {
            if (command >= 0)
                click(view->Command1(command));
            QCOMPARE(view->txtFieldsText(6), answer);
            QCOMPARE(view->txtFields(6)->palette().color(QPalette::Base), colour);
            QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: %1 of 10").arg(position));
            QCOMPARE(SystemBeep::count(), beeps);
            if (position == 3)
                TestSupport::screenshot(m_window, QStringLiteral("review-wrong-answer"));
        }
        // Nothing typed or moved changes the stored exam.
        for (int i : {0, 1, 6, 8, 9})
            QVERIFY(view->txtFields(i)->property("readOnly").toBool());
        QTest::keyClicks(view->txtFields(6), QStringLiteral("D"));
        click(view->Command1(2));
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE Answer = 'D'")), 0);
    }

    void switchingExams()
    {
        addExam(QStringLiteral("One"), QStringLiteral("2026-01-01 10:00:00"), 10, 1, {{"A", "A"}});
        addExam(QStringLiteral("Two"), QStringLiteral("2026-01-02 10:00:00"), 10, 1, {{"B", "A"}, {"C", "C"}});
        addExam(QStringLiteral("Empty"), QStringLiteral("2026-01-03 10:00:00"), 10, QVariant());
        frmViewExam *view = openResults();
        reviewRow(view, 0);
        reviewRow(view, 1);
        QCOMPARE(view->windowTitle(), QStringLiteral(" Exam # 2 (Two)"));
        QCOMPARE(view->reviewedExamId(), 2);
        QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 2"));
        QCOMPARE(view->txtFieldsText(6), QStringLiteral("B"));
        // An exam without questions shows empty boxes; moving does nothing and nothing fails.
        reviewRow(view, 2);
        QCOMPARE(view->txtFieldsText(0), QString());
        for (int index : {2, 3, 5, 6})
            click(view->Command1(index));
        QCOMPARE(SystemBeep::count(), 0);
        QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 0 of 0"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void deleting()
    {
        addExam(QStringLiteral("Keep"), QStringLiteral("2026-01-01 10:00:00"), 10, 3, {{"A", "A"}});
        addExam(QStringLiteral("O'Hara"), QStringLiteral("2026-01-02 10:00:00"), 10, 3, {{"A", "A"}, {"B", "B"}});
        // A delete the database refuses is reported, and the exam stays whole.
        m_program->exec(QStringLiteral("CREATE TRIGGER keep_titles BEFORE DELETE ON ExamTitle "
                                       "BEGIN SELECT RAISE(ABORT, 'database is locked'); END"));
        reviewRow(openResults(), 1);
        MessageBox::setNextAnswer(MessageBox::Yes);
        m_window->viewExamForm()->Command1_Click(0);
        QCOMPARE(MessageBox::shown().size(), 2);
        verifyDeleteRefused(QStringLiteral("database is locked"));
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 2")), 2);
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 2);
        m_program->exec(QStringLiteral("DROP TRIGGER keep_titles"));
        // So is one that fails half-way: the title's delete is undone with the questions'.
        m_program->exec(QStringLiteral("CREATE TRIGGER keep_details BEFORE DELETE ON ExamDetails "
                                       "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
        reviewRow(m_window->viewExamForm(), 1);
        MessageBox::setNextAnswer(MessageBox::Yes);
        m_window->viewExamForm()->Command1_Click(0);
        verifyDeleteRefused(QStringLiteral("disk I/O error"));
        QCOMPARE(count(QStringLiteral("FROM ExamTitle WHERE ExamID = 2")), 1);
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 2")), 2);
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 2);
        m_program->exec(QStringLiteral("DROP TRIGGER keep_details"));
        MessageBox::clearShown();

        frmViewExam *view = m_window->viewExamForm();
        reviewRow(view, 1);
        MessageBox::setNextAnswer(MessageBox::No);
        click(view->Command1(0));
        QCOMPARE(gMsgResult, QStringLiteral("7"));
        QCOMPARE(m_window->viewExamForm(), view);
        QCOMPARE(view->windowTitle(), QStringLiteral(" Exam # 2 (O'Hara)"));
        QCOMPARE(count(QStringLiteral("FROM ExamDetails")), 3);
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(0));
        QCOMPARE(MessageBox::shown().size(), 3);
        QCOMPARE(box(1),
            (QVariantList{"You are about to delete the exam # 2 (O'Hara)", "Delete Exam", MessageBox::Question}));
        QCOMPARE(MessageBox::shown().at(1).buttons, MessageBox::YesNo);
        QCOMPARE(MessageBox::shown().at(1).defaultButton, MessageBox::DefaultButton1);
        QCOMPARE(box(2),
            (QVariantList{
                "The exam successfully removed from database.", "Operation Completed", MessageBox::Information}));
        QCOMPARE(count(QStringLiteral("FROM ExamTitle WHERE ExamID = 2"))
                + count(QStringLiteral("FROM ExamDetails WHERE ExamID = 2")),
            0);
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 1")), 1);
        frmViewExam *reloaded = m_window->viewExamForm();
        QVERIFY(reloaded != view);
        QCOMPARE(reloaded->gridModel()->rowCount(), 1);
        QCOMPARE(cell(reloaded, 0, 2), QStringLiteral("Keep"));
        QVERIFY(reloaded->Frame1(3)->isHidden() && !reloaded->Command1(0)->isEnabled());
    }

    void readOnlyDatabase()
    {
        addExam(QStringLiteral("Frozen"), QStringLiteral("2026-01-01 10:00:00"), 10, 3, {{"A", "A"}, {"C", "B"}});
        // Even root cannot write to an immutable file, so this stands for a read-only Exam.mdb.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_program->dbPath()}) != 0)
            QSKIP("chattr +i is not available here");
        const auto thaw = qScopeGuard([this] {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_program->dbPath()});
        });
        frmViewExam *view = openResults();
        QCOMPARE(view->gridModel()->rowCount(), 1);
        reviewRow(view, 0);
        click(view->Command1(5));
        QCOMPARE(view->txtFieldsText(6), QStringLiteral("C"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(0);
        verifyDeleteRefused(QString());
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 1);
        // Starting an exam is refused with the reason; nothing is left half done.
        m_window->menuForm()->OpenScreen(0);
        frmExam *exam = m_window->examForm();
        QTest::keyClicks(exam->Text1(0), QStringLiteral("Reader"));
        click(exam->chkCategory(0));
        click(exam->Command1(0));
        QVERIFY(MessageBox::shown().last().text.startsWith(QStringLiteral("The exam could not be stored:\n")));
        QVERIFY(exam->Frame1(0)->isEnabled());
        QVERIFY(!AppExit::requested());
    }

    // The review shows E and F where a question has them and, on a question of several right
    // answers, marks each letter; the breakdown and the report count and show it alike.
    void severalRightAnswersMarked_data()
    {
        QTest::addColumn<QString>("correct");
        QTest::addColumn<QString>("e"); // the fifth choice, if any
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("marks"); // A to F
        QTest::addColumn<int>("right");
        QTest::newRow("two, one wrong") << u"AC"_s << QString() << u"AB"_s
                                        << QStringList{u"right"_s, u"wrong"_s, u"missed"_s, {}, {}, {}} << 0;
        QTest::newRow("two, both right") << u"AC"_s << QString() << u"AC"_s
                                         << QStringList{u"right"_s, {}, u"right"_s, {}, {}, {}} << 1;
        QTest::newRow("three of five") << u"BDE"_s << u"Five"_s << u"ABE"_s
                                       << QStringList{u"wrong"_s, u"right"_s, {}, u"missed"_s, u"right"_s, {}} << 0;
        QTest::newRow("one of five") << u"E"_s << u"Five"_s << u"E"_s << QStringList(6) << 1;
    }
    void severalRightAnswersMarked()
    {
        QFETCH(QString, correct);
        QFETCH(QString, e);
        QFETCH(QString, answer);
        QFETCH(QStringList, marks);
        QFETCH(int, right);
        m_program->exec(u"UPDATE Q_A SET CorrectAnswer = '%1', E = NULLIF('%2', '') WHERE QID = 1"_s.arg(correct, e));
        const qint32 id = addExam(u"Mo"_s, u"2026-12-01 10:00:00"_s, 10, right, {{answer, u"A"_s}});
        frmViewExam *view = openResults();
        reviewRow(view, 0);
        QCOMPARE(view->reviewedExamId(), id);
        QCOMPARE(view->txtFieldsText(6), answer);
        QCOMPARE(view->choiceText(4)->isVisibleTo(view), !e.isEmpty());
        QVERIFY(!view->choiceText(5)->isVisibleTo(view));
        if (!e.isEmpty())
            QCOMPARE(DataBinder::textOf(view->choiceText(4)), e);
        QStringList shown;
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(view->choiceMark(k)->isVisibleTo(view), !marks.at(k).isEmpty());
            shown << (view->choiceMark(k)->isVisibleTo(view) ? view->choiceMark(k)->text() : QString());
        }
        QCOMPARE(shown, marks);
        if (right == 0)
            TestSupport::screenshot(m_window, u"review-choose%1"_s.arg(correct.size()));
        QCOMPARE(view->breakdown().total.correct, right);
        const QString report = ExamReport::html({id, u"Mo"_s}, *view->rsExam(), view->breakdown());
        QCOMPARE(report.contains(u"E. Five"_s), !e.isEmpty());
        for (const char *mark : {"right", "wrong", "missed"})
            QCOMPARE(report.count(u"[%1]"_s.arg(QLatin1String(mark))), marks.count(QLatin1String(mark)));
        QCOMPARE(report.contains(u"Choose "_s), correct.size() > 1);
    }

    void resize()
    {
        // Without other screens only the menu follows the main window's height.
        m_window = m_program->start();
        QWidget *menuWindow = m_window->menuForm()->parentWidget();
        const int menuWidth = menuWindow->width();
        m_window->resize(700, 500);
        QCoreApplication::processEvents();
        QCOMPARE(menuWindow->height(), m_window->clientSize().height());
        QCOMPARE(menuWindow->width(), menuWidth);
        m_window->menuForm()->OpenScreen(0);
        m_window->menuForm()->OpenScreen(1);
        frmExam *exam = m_window->examForm();
        frmViewExam *view = m_window->viewExamForm();
        QList<QWidget *> stretched{
            exam->parentWidget(), exam->Frame1(3), view->parentWidget(), view->Frame1(3), view->txtFields(9)};
        for (int i = 0; i <= 4; ++i)
            stretched << exam->txtFields(i) << view->txtFields(i);
        const QList<QWidget *> kept{exam->txtFields(7), view->txtFields(6), view->txtFields(7), view->txtFields(8)};
        const auto geometries = [](const QList<QWidget *> &parts, int widen) {
            QList<QRect> rects;
            for (QWidget *p : parts)
                rects << p->geometry().adjusted(0, 0, widen, 0);
            return rects;
        };
        const QList<QRect> widened = geometries(stretched, Twips::toPx(1000));
        const QList<QRect> unchanged = geometries(kept, 0);
        m_window->resize(m_window->width() + Twips::toPx(1000), m_window->height());
        QCoreApplication::processEvents();
        QCOMPARE(geometries(stretched, 0), widened);
        QCOMPARE(geometries(kept, 0), unchanged);
        // Each screen reaches from the menu's right edge to the client area's right edge.
        for (QWidget *screen : {exam->parentWidget(), view->parentWidget()}) {
            QCOMPARE(screen->x(), menuWindow->frameGeometry().width());
            QCOMPARE(screen->geometry().right(), m_window->clientSize().width() - 1);
            QCOMPARE(screen->height(), m_window->clientSize().height());
        }
        // A minimised window leaves the client area with no size at all; restoring fits everything again.
        const QSize size = m_window->size();
        m_window->resize(m_window->minimumSizeHint());
        QCoreApplication::processEvents();
        m_window->resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(geometries(stretched, 0), widened);
        QVERIFY(exam->isVisible() && view->isVisible());
        // So narrow that the question frame's width would come out negative: it keeps its width,
        // and the boxes inside are still fitted to it.
        const int frameBefore = exam->Frame1(3)->width();
        m_window->resize(Twips::toPx(2500) + 40, m_window->height());
        QCoreApplication::processEvents();
        QVERIFY(exam->parentWidget()->width() < Twips::toPx(2500));
        QCOMPARE(exam->Frame1(3)->width(), frameBefore);
        for (int i = 0; i <= 4; ++i)
            QCOMPARE(exam->txtFields(i)->width(),
                Twips::toPx(Twips::fromPx(frameBefore) - Twips::fromPx(exam->txtFields(i)->x()) - 100));
    }

    void endToEnd()
    {
        m_window = m_program->start();
        const auto startExam = [this](const QString &name) {
            click(m_window->menuForm()->Command1(0));
            frmExam *exam = m_window->examForm();
            QTest::keyClicks(exam->Text1(0), name);
            click(exam->chkCategory(0));
            click(exam->Command1(0));
            return exam;
        };
        frmExam *exam = startExam(QStringLiteral("Road Test"));
        // Every question answered correctly but the first.
        for (int i = 0; i < 10; ++i) {
            const int letter
                = QStringLiteral("ABCD").indexOf(exam->rsExam()->Fields(QStringLiteral("CorrectAnswer")).toString());
            click(exam->Option1(i == 0 ? (letter + 1) % 4 : letter));
            click(exam->Command1(5));
        }
        QCOMPARE(exam->Label1(11)->text(), QStringLiteral("0"));
        click(exam->Command1(1));
        QVERIFY(!gExamLoaded);
        frmViewExam *view = m_window->viewExamForm();
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(
            QStringList({cell(view, 0, 2), cell(view, 0, 4), cell(view, 0, 5)}), QStringList({"Road Test", "9", "90"}));
        reviewRow(view, 0);
        QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
        QCOMPARE(view->txtFields(6)->palette().color(QPalette::Base), QColor(255, 0, 0));
        // Deleting the only exam leaves the list empty.
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(0));
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 0);
        QCOMPARE(count(QStringLiteral("FROM ExamDetails")), 0);
        // Closing the main window during an exam scores it on the way out.
        const qint32 examId = startExam(QStringLiteral("Quitter"))->examId();
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        m_window->close();
        QCOMPARE(
            m_program->scalar(QStringLiteral("SELECT ExamResult FROM ExamTitle WHERE ExamID = %1").arg(examId)), 0);
        QVERIFY(!gExamLoaded && !gViewExamLoaded && !gMenuLoaded && LoadedForms().isEmpty());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text, QStringLiteral("Do you want to quit?"));
    }
};

QTEST_MAIN(tst_review)
#include "tst_review.moc"
