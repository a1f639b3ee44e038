#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "TestSupport.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/AppExit.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"
#include "shell/SystemBeep.h"
#include "shell/Twips.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using TestSupport::scalar;

// The results screen: list, review, deletion, and how the main window fits its screens.
class tst_review final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyList();
    void shadingFollowsDisplayedLines_data();
    void shadingFollowsDisplayedLines();
    void listCells();
    void reviewColoursAndNavigation();
    void switchingExams();
    void deleteNoThenYes();
    void failingDeleteIsReported();
    void readOnlyDatabase();
    void resizeWidensScreens();
    void resizeTooNarrow();
    void endToEnd();

private:
    void openProgram();
    frmViewExam *openResults();
    // Stores an exam; answers[i] pairs the stored answer with the question's correct letter.
    qint32 addExam(const QString &name, const QString &date, int count, const QVariant &result,
        const QList<std::pair<QString, QString>> &answers = {});
    void reviewRow(frmViewExam *view, int row);
    QString cell(frmViewExam *view, int row, int column) const;
    int subWidth(QWidget *screen) const { return screen->parentWidget()->width(); }
    QString dbPath() const { return m_program->dbPath(); }

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
};

void tst_review::init()
{
    TestSupport::resetProgramState();
    m_program = std::make_unique<TestSupport::Program>();
    m_program->build({12, 12, 12, 12, 12, 12});
    m_window = nullptr;
}

void tst_review::cleanup()
{
    m_program.reset();
}

void tst_review::openProgram()
{
    m_window = m_program->start();
}

frmViewExam *tst_review::openResults()
{
    if (!m_window)
        openProgram();
    m_window->menuForm()->OpenScreen(1);
    return m_window->viewExamForm();
}

qint32 tst_review::addExam(const QString &name, const QString &date, int count, const QVariant &result,
    const QList<std::pair<QString, QString>> &answers)
{
    const QString resultText = result.isNull() ? QStringLiteral("NULL") : result.toString();
    const QString quotedName = QString(name).replace(QLatin1Char('\''), QLatin1String("''"));
    m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) "
                                   "VALUES ('%1', '%2', %3, %4)")
                        .arg(quotedName, date)
                        .arg(count)
                        .arg(resultText));
    const qint32 id = qint32(m_program->scalar(QStringLiteral("SELECT max(ExamID) FROM ExamTitle")).toInt());
    // Question q of Software Testing has the correct letter "ABCD"[(q-1) % 4].
    int qid = 0;
    for (const auto &answer : answers) {
        do
            ++qid;
        while (QStringLiteral("ABCD").at((qid - 1) % 4) != answer.second.at(0));
        m_program->exec(QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
                                       "VALUES (%1, '%2', %3, %4, %5)")
                            .arg(id)
                            .arg(quotedName)
                            .arg(qid)
                            .arg(answer.first.isEmpty() ? QStringLiteral("NULL")
                                                        : QLatin1Char('\'') + answer.first + QLatin1Char('\''))
                            .arg(answer.first.isEmpty() ? 0 : -1));
    }
    return id;
}

void tst_review::reviewRow(frmViewExam *view, int row)
{
    const QModelIndex index = view->gridModel()->index(row, 1);
    const QPoint where = view->Grid1()->visualRect(index).center();
    // A double-click counts on the line that its first press chose.
    QTest::mouseClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
}

QString tst_review::cell(frmViewExam *view, int row, int column) const
{
    return view->gridModel()->index(row, column).data().toString();
}

void tst_review::emptyList()
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

void tst_review::shadingFollowsDisplayedLines_data()
{
    QTest::addColumn<int>("exams");
    QTest::addColumn<QList<int>>("shaded");
    QTest::newRow("one") << 1 << QList<int>{};
    QTest::newRow("two") << 2 << QList<int>{1};
    QTest::newRow("five") << 5 << QList<int>{1, 3};
}

void tst_review::shadingFollowsDisplayedLines()
{
    QFETCH(int, exams);
    QFETCH(QList<int>, shaded);
    for (int i = 0; i < exams; ++i)
        addExam(QStringLiteral("P%1").arg(i), QStringLiteral("2026-0%1-01 10:00:00").arg(i + 1), 10, 5);
    frmViewExam *view = openResults();
    QCOMPARE(view->gridModel()->rowCount(), exams);
    TestSupport::screenshot(m_window, QStringLiteral("results-list-%1").arg(exams));
    for (int row = 0; row < exams; ++row) {
        for (int column = 0; column < 6; ++column) {
            const QVariant background = view->gridModel()->index(row, column).data(Qt::BackgroundRole);
            QCOMPARE(background.isValid(), shaded.contains(row));
            if (background.isValid())
                QCOMPARE(background.value<QColor>(), QColor(192, 192, 192));
        }
    }
}

void tst_review::listCells()
{
    // Stored with the older date second; listed by ascending exam number all the same.
    addExam(QStringLiteral("A"), QStringLiteral("2003-03-05 09:00:00"), 30, 2);
    addExam(QStringLiteral("B"), QStringLiteral("2002-03-05 09:00:00"), 30, 7);
    addExam(QStringLiteral("C"), QStringLiteral("2026-01-03 10:00:00"), 10, 10);
    addExam(QStringLiteral("D"), QStringLiteral("2026-01-04 10:00:00"), 10, QVariant());
    frmViewExam *view = openResults();
    gRs.reset(); // the grid keeps its own reference
    gDB.reset();
    const QList<QStringList> expected{{"1", "03/05/03", "A", "30", "2", "6"}, {"2", "03/05/02", "B", "30", "7", "23"},
        {"3", "01/03/26", "C", "10", "10", "100"}, {"4", "01/04/26", "D", "10", "", ""}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 6; ++column)
            QCOMPARE(cell(view, row, column), expected.at(row).at(column));
}

void tst_review::reviewColoursAndNavigation()
{
    addExam(QStringLiteral("Ann"), QStringLiteral("2026-01-01 10:00:00"), 10, 1,
        {{"B", "B"}, {"C", "B"}, {"", "B"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"}, {"A", "A"},
            {"A", "A"}});
    frmViewExam *view = openResults();
    reviewRow(view, 0);
    QCOMPARE(view->windowTitle(), QStringLiteral(" Exam # 1 (Ann)"));
    QVERIFY(view->Frame1(3)->isVisible());
    QVERIFY(view->Command1(0)->isEnabled());
    QCOMPARE(gExamID, 1);
    QCOMPARE(gUserName, QStringLiteral("Ann"));
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    auto answerColour = [view] { return view->txtFields(6)->palette().color(QPalette::Base); };
    QCOMPARE(view->txtFieldsText(6), QStringLiteral("B"));
    QCOMPARE(view->txtFieldsText(8), QStringLiteral("B"));
    QCOMPARE(answerColour(), QColor(255, 255, 255));
    QVERIFY(!view->txtFieldsText(9).isEmpty());
    QCOMPARE(view->txtFieldsText(7), QStringLiteral("Software Testing"));
    QTest::mouseClick(view->Command1(5), Qt::LeftButton);
    QCOMPARE(view->txtFieldsText(6), QStringLiteral("C"));
    QCOMPARE(answerColour(), QColor(255, 0, 0));
    QTest::mouseClick(view->Command1(5), Qt::LeftButton);
    QCOMPARE(view->txtFieldsText(6), QString());
    QCOMPARE(answerColour(), QColor(255, 0, 0));
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 3 of 10"));
    TestSupport::screenshot(m_window, QStringLiteral("review-wrong-answer"));
    // The ends beep and stay; nothing typed or moved changes the stored exam.
    QTest::mouseClick(view->Command1(2), Qt::LeftButton);
    QTest::mouseClick(view->Command1(3), Qt::LeftButton);
    QCOMPARE(SystemBeep::count(), 1);
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    QTest::mouseClick(view->Command1(6), Qt::LeftButton);
    QTest::mouseClick(view->Command1(5), Qt::LeftButton);
    QCOMPARE(SystemBeep::count(), 2);
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 10 of 10"));
    for (int i : {0, 1, 6, 8, 9})
        QVERIFY(view->txtFields(i)->property("readOnly").toBool());
    QTest::keyClicks(view->txtFields(6), QStringLiteral("D"));
    QTest::mouseClick(view->Command1(2), Qt::LeftButton);
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails WHERE Answer = 'D'")).toInt(), 0);
}

void tst_review::switchingExams()
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
        QTest::mouseClick(view->Command1(index), Qt::LeftButton);
    QCOMPARE(SystemBeep::count(), 0);
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 0 of 0"));
    QVERIFY(MessageBox::shown().isEmpty());
}

void tst_review::deleteNoThenYes()
{
    addExam(QStringLiteral("Keep"), QStringLiteral("2026-01-01 10:00:00"), 10, 3, {{"A", "A"}});
    addExam(QStringLiteral("O'Hara"), QStringLiteral("2026-01-02 10:00:00"), 10, 3, {{"A", "A"}, {"B", "B"}});
    frmViewExam *view = openResults();
    reviewRow(view, 1);
    MessageBox::setNextAnswer(MessageBox::No);
    QTest::mouseClick(view->Command1(0), Qt::LeftButton);
    QCOMPARE(gMsgResult, QStringLiteral("7"));
    QCOMPARE(m_window->viewExamForm(), view);
    QCOMPARE(view->windowTitle(), QStringLiteral(" Exam # 2 (O'Hara)"));
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails")).toInt(), 3);

    MessageBox::setNextAnswer(MessageBox::Yes);
    QTest::mouseClick(view->Command1(0), Qt::LeftButton);
    QCOMPARE(MessageBox::shown().size(), 3);
    const MessageBox::Shown question = MessageBox::shown().at(1);
    QCOMPARE(question.text, QStringLiteral("You are about to delete the exam # 2 (O'Hara)"));
    QCOMPARE(question.title, QStringLiteral("Delete Exam"));
    QCOMPARE(question.buttons, MessageBox::YesNo);
    QCOMPARE(question.icon, MessageBox::Question);
    QCOMPARE(question.defaultButton, MessageBox::DefaultButton1);
    const MessageBox::Shown done = MessageBox::shown().at(2);
    QCOMPARE(done.text, QStringLiteral("The exam successfully removed from database."));
    QCOMPARE(done.title, QStringLiteral("Operation Completed"));
    QCOMPARE(done.icon, MessageBox::Information);
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamTitle WHERE ExamID = 2")).toInt(), 0);
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails WHERE ExamID = 2")).toInt(), 0);
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails WHERE ExamID = 1")).toInt(), 1);
    frmViewExam *reloaded = m_window->viewExamForm();
    QVERIFY(reloaded != view);
    QCOMPARE(reloaded->gridModel()->rowCount(), 1);
    QCOMPARE(cell(reloaded, 0, 2), QStringLiteral("Keep"));
    QVERIFY(reloaded->Frame1(3)->isHidden());
    QVERIFY(!reloaded->Command1(0)->isEnabled());
}

void tst_review::failingDeleteIsReported()
{
    addExam(QStringLiteral("Locked"), QStringLiteral("2026-01-01 10:00:00"), 10, 3, {{"A", "A"}, {"B", "B"}});
    m_program->exec(QStringLiteral("CREATE TRIGGER keep_titles BEFORE DELETE ON ExamTitle "
                                   "BEGIN SELECT RAISE(ABORT, 'database is locked'); END"));
    frmViewExam *view = openResults();
    reviewRow(view, 0);
    MessageBox::setNextAnswer(MessageBox::Yes);
    view->Command1_Click(0);
    QCOMPARE(MessageBox::shown().size(), 2);
    QVERIFY(MessageBox::shown().last().text.startsWith(
        QStringLiteral("The exam could not be removed from the database:\n")));
    QVERIFY(MessageBox::shown().last().text.contains(QStringLiteral("database is locked")));
    // The exam stays whole: its questions were not deleted without it.
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails WHERE ExamID = 1")).toInt(), 2);
    QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 1);
}

void tst_review::readOnlyDatabase()
{
    addExam(QStringLiteral("Frozen"), QStringLiteral("2026-01-01 10:00:00"), 10, 3, {{"A", "A"}, {"C", "B"}});
    // Even root cannot write to an immutable file, so this stands for a read-only Exam.mdb.
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dbPath()}) != 0)
        QSKIP("chattr +i is not available here");
    const auto thaw = qScopeGuard([this] {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dbPath()});
    });
    frmViewExam *view = openResults();
    QCOMPARE(view->gridModel()->rowCount(), 1);
    reviewRow(view, 0);
    QTest::mouseClick(view->Command1(5), Qt::LeftButton);
    QCOMPARE(view->txtFieldsText(6), QStringLiteral("C"));
    MessageBox::setNextAnswer(MessageBox::Yes);
    view->Command1_Click(0);
    QVERIFY(MessageBox::shown().last().text.startsWith(
        QStringLiteral("The exam could not be removed from the database:\n")));
    QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 1);
    // Starting an exam is refused with the reason; nothing is left half done.
    m_window->menuForm()->OpenScreen(0);
    frmExam *exam = m_window->examForm();
    QTest::keyClicks(exam->Text1(0), QStringLiteral("Reader"));
    QTest::mouseClick(exam->chkCategory(0), Qt::LeftButton);
    QTest::mouseClick(exam->Command1(0), Qt::LeftButton);
    QVERIFY(MessageBox::shown().last().text.startsWith(QStringLiteral("The exam could not be stored:\n")));
    QVERIFY(exam->Frame1(0)->isEnabled());
    QVERIFY(!AppExit::requested());
}

void tst_review::resizeWidensScreens()
{
    // Without other screens only the menu follows the main window's height.
    openProgram();
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
    const QList<QWidget *> stretched{exam->parentWidget(), exam->Frame1(3), exam->txtFields(0), exam->txtFields(1),
        exam->txtFields(2), exam->txtFields(3), exam->txtFields(4), view->parentWidget(), view->Frame1(3),
        view->txtFields(0), view->txtFields(1), view->txtFields(2), view->txtFields(3), view->txtFields(4),
        view->txtFields(9)};
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
}

void tst_review::resizeTooNarrow()
{
    openProgram();
    m_window->menuForm()->OpenScreen(0);
    frmExam *exam = m_window->examForm();
    const int frameBefore = exam->Frame1(3)->width();
    // So narrow that the question frame's width would come out negative: it keeps its width,
    // and the boxes inside are still fitted to it.
    m_window->resize(Twips::toPx(2500) + 40, m_window->height());
    QCoreApplication::processEvents();
    QVERIFY(subWidth(exam) < Twips::toPx(2500));
    QCOMPARE(exam->Frame1(3)->width(), frameBefore);
    for (int i = 0; i <= 4; ++i)
        QCOMPARE(exam->txtFields(i)->width(),
            Twips::toPx(Twips::fromPx(frameBefore) - Twips::fromPx(exam->txtFields(i)->x()) - 100));
}

void tst_review::endToEnd()
{
    openProgram();
    const auto startExam = [this](const QString &name) {
        QTest::mouseClick(m_window->menuForm()->Command1(0), Qt::LeftButton);
        frmExam *exam = m_window->examForm();
        QTest::keyClicks(exam->Text1(0), name);
        QTest::mouseClick(exam->chkCategory(0), Qt::LeftButton);
        QTest::mouseClick(exam->Command1(0), Qt::LeftButton);
        return exam;
    };
    frmExam *exam = startExam(QStringLiteral("Road Test"));
    // Every question answered correctly but the first.
    for (int i = 0; i < 10; ++i) {
        const int letter = QStringLiteral("ABCD").indexOf(exam->rsExam()->Fields(QStringLiteral("CorrectAnswer")).toString());
        QTest::mouseClick(exam->Option1(i == 0 ? (letter + 1) % 4 : letter), Qt::LeftButton);
        QTest::mouseClick(exam->Command1(5), Qt::LeftButton);
    }
    QCOMPARE(exam->Label1(11)->text(), QStringLiteral("0"));
    QTest::mouseClick(exam->Command1(1), Qt::LeftButton);
    QVERIFY(!gExamLoaded);
    frmViewExam *view = m_window->viewExamForm();
    QCOMPARE(view->gridModel()->rowCount(), 1);
    QCOMPARE(QStringList({cell(view, 0, 2), cell(view, 0, 4), cell(view, 0, 5)}), QStringList({"Road Test", "9", "90"}));
    reviewRow(view, 0);
    QCOMPARE(view->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    QCOMPARE(view->txtFields(6)->palette().color(QPalette::Base), QColor(255, 0, 0));
    // Deleting the only exam leaves the list empty.
    MessageBox::setNextAnswer(MessageBox::Yes);
    QTest::mouseClick(view->Command1(0), Qt::LeftButton);
    QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 0);
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT count(*) FROM ExamDetails")).toInt(), 0);

    // Closing the main window during an exam scores it on the way out.
    const qint32 examId = startExam(QStringLiteral("Quitter"))->examId();
    MessageBox::clearShown();
    MessageBox::setNextAnswer(MessageBox::Yes);
    m_window->close();
    QCOMPARE(m_program->scalar(QStringLiteral("SELECT ExamResult FROM ExamTitle WHERE ExamID = %1").arg(examId)), 0);
    QVERIFY(!gExamLoaded && !gViewExamLoaded && !gMenuLoaded && LoadedForms().isEmpty());
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().text, QStringLiteral("Do you want to quit?"));
}

QTEST_MAIN(tst_review)
#include "tst_review.moc"
