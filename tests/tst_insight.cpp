#include "ScreenSuite.h"

#include "core/ClockTimer.h"
#include "core/UserSettings.h"
#include "data/Breakdown.h"
#include "data/ExamDraw.h"
#include "data/ExamSchema.h"
#include "data/Mistakes.h"
#include "data/ProgressData.h"
#include "insight/ChartView.h"
#include "insight/frmProgress.h"
#include "platform/FileDialog.h"
#include "platform/PrintDialog.h"
#include "review/BreakdownTable.h"

// Study insight: the breakdown, the pass mark, the review's filters, the practice draw, the
// progress chart and the report, against real exam databases.
class tst_insight final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QTemporaryDir m_out;

    QHash<QString, int> m_qids; // by question text
    int qid(int c, int q) const { return m_qids.value(u"%1 question %2"_s.arg(ExamSchema::categories().at(c)).arg(q)); }
    frmViewExam *openResults()
    {
        if (!m_window)
            m_window = m_program->start();
        return TestSupport::openResults(m_window);
    }
    void review(frmViewExam *view, qint32 examId)
    {
        const QModelIndexList found = view->gridModel()->match(view->gridModel()->index(0, 0), Qt::EditRole, examId);
        QVERIFY2(!found.isEmpty(), "the exam is not listed");
        TestSupport::review(m_window, found.first().row());
    }
    // The program's own connection to its database.
    std::unique_ptr<cDBAccess> openDb() const
    {
        gDbPath = m_program->folder();
        auto db = std::make_unique<cDBAccess>();
        return db->Open_Connection(1) ? std::move(db) : nullptr;
    }
    // The breakdown table's lines as "Category q c % Result".
    static QStringList tableLines(const BreakdownTable *table)
    {
        QStringList lines;
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < 5; ++column)
                cells << table->text(row, column);
            lines << cells.join(u' ');
        }
        return lines;
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({20, 20, 20, 20, 20, 20});
        m_window = nullptr;
        m_qids.clear();
        for (const QVariantList &row : TestSupport::query(m_program->dbPath(), u"SELECT Question, QID FROM Q_A"_s))
            m_qids.insert(row.at(0).toString(), row.at(1).toInt());
    }
    void cleanup() { m_program.reset(); }

    void breakdownOfKnownExams_data() { TestSupport::addCases(u"sessions/insight-breakdown.tsv"_s); }
    void breakdownOfKnownExams()
    {
        const auto [answers, expected] = SessionCases::texts("answers", "expected");
        const qint32 examId = m_program->storeAnswered(u"Ann"_s, answers);
        const auto db = openDb();
        QVERIFY(db);
        const Breakdown breakdown = Breakdown::ofExam(*db, examId, SessionCases::number("passMark"));
        BreakdownTable table;
        table.setBreakdown(breakdown);
        QCOMPARE(tableLines(&table).join(u'|'), expected);
        QVERIFY(!breakdown.practice); // the screens keep their own flag: only this reads this one
    }

    void breakdownFollowsTheReviewedExamAndThePassMark()
    {
        const qint32 first = m_program->storeAnswered(u"Ann"_s, u"0:RRRRRRRRRRRRRWWWWWWW 1:RW"_s);
        const qint32 second = m_program->storeAnswered(u"Ben"_s, u"3:RRR-"_s, true, true);
        frmViewExam *view = openResults();
        QCOMPARE(view->breakdownTable()->rowCount(), 0);
        QCOMPARE(view->breakdownFrame()->title(), u"Breakdown"_s);
        QCOMPARE(view->passMarkBox()->value(), 65);

        review(view, first);
        QCOMPARE(tableLines(view->breakdownTable()),
            (QStringList{"Software Testing 20 13 65 Pass", "Programming Basic 2 1 50 Fail", "Total 22 14 63 Fail"}));
        QCOMPARE(view->breakdownFrame()->title(), u"Breakdown of exam # %1: Fail at 65 %"_s.arg(first));
        TestSupport::screenshot(m_window, u"results-breakdown"_s);
        // A lower mark, typed into its box, re-judges the exam at once and is kept.
        view->passMarkBox()->setFocus();
        view->passMarkBox()->selectAll();
        QTest::keyClicks(view->passMarkBox(), u"60"_s);
        QCOMPARE(tableLines(view->breakdownTable()).constLast(), u"Total 22 14 63 Pass"_s);
        QCOMPARE(UserSettings::passMark(), 60);
        QFile settings(QDir(TestSupport::settingsFolder()).filePath(u"vesk/vesk.conf"_s));
        QVERIFY(settings.open(QIODevice::ReadOnly) && settings.readAll().contains("passMark=60"));

        review(view, second);
        QCOMPARE(
            tableLines(view->breakdownTable()), (QStringList{"Internet Technology 4 3 75 Pass", "Total 4 3 75 Pass"}));
        QCOMPARE(view->breakdownFrame()->title(), u"Breakdown of practice exam # %1: Pass at 60 %"_s.arg(second));
        // Deleting the reviewed exam leaves a new screen with nothing reviewed: an empty breakdown, and
        // the mark as the settings keep it.
        UserSettings::setPassMark(72);
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(ViewExamCommand::DeleteExam));
        QVERIFY(m_window->viewExamForm() != view);
        QCOMPARE(m_window->viewExamForm()->breakdownTable()->rowCount(), 0);
        QCOMPARE(m_window->viewExamForm()->passMarkBox()->value(), 72);
        QCOMPARE(MessageBox::shown().size(), 2);
    }

    void reviewFilters_data() { TestSupport::addCases(u"sessions/insight-review-filters.tsv"_s); }
    void reviewFilters()
    {
        QFETCH(QString, outcomes);
        const QList<int> flagged = SessionCases::numbers(SessionCases::text("flagged"));
        const QList<int> shown = SessionCases::numbers(SessionCases::text("shown"));
        const int filter = SessionCases::number("filter");
        const qint32 examId = m_program->storeAnswered(u"Cleo"_s, u"0:"_s + outcomes);
        for (int position : flagged)
            m_program->exec(
                u"INSERT INTO ExamFlags (DetailID) SELECT DetailID FROM ExamDetails ORDER BY DetailID LIMIT 1 OFFSET %1"_s
                    .arg(position - 1));
        frmViewExam *view = openResults();
        review(view, examId);
        // Filtered on question `from`, the screen stays on it if the filter keeps it, else shows the first kept.
        for (int k = 1; k < SessionCases::number("from"); ++k)
            click(view->Command1(ViewExamCommand::Next));
        click(view->optFilter(filter));
        const int m = int(shown.size());
        QCOMPARE(view->lblStatus()->text(), u"Question: %1 of %2"_s.arg(SessionCases::number("at")).arg(m));
        click(view->Command1(ViewExamCommand::First));
        QCOMPARE(view->rsExam()->RecordCount(), int(outcomes.size())); // the review statement keeps them all
        // Through the filter with "next", then past its end, which beeps and stays; an empty filter
        // shows nothing, and no move beeps.
        for (int k = 1; k <= std::max(m, 1); ++k) {
            QCOMPARE(view->lblStatus()->text(), u"Question: %1 of %2"_s.arg(std::min(k, m)).arg(m));
            const int q = shown.value(k - 1);
            QCOMPARE(
                view->txtFieldsText(ViewExamField::Question), m ? u"Software Testing question %1"_s.arg(q) : QString());
            QCOMPARE(view->lblFlagged()->isVisibleTo(view), flagged.contains(q));
            click(view->Command1(ViewExamCommand::Next));
        }
        if (m == 0) {
            for (ViewExamField field :
                {ViewExamField::A, ViewExamField::Answer, ViewExamField::CorrectAnswer, ViewExamField::Description})
                QCOMPARE(view->txtFieldsText(field), QString());
            click(view->Command1(ViewExamCommand::Previous));
            click(view->Command1(ViewExamCommand::Last));
        }
        QCOMPARE(SystemBeep::count(), m ? 1 : 0);
        QCOMPARE(view->lblStatus()->text(), u"Question: %1 of %1"_s.arg(m));
        click(view->Command1(ViewExamCommand::First));
        QCOMPARE(view->lblStatus()->text(), u"Question: %1 of %2"_s.arg(std::min(1, m)).arg(m));
        if (filter == frmViewExam::WrongOnly && m) {
            QCOMPARE(view->txtFields(ViewExamField::Answer)->palette().color(QPalette::Base), QColor(255, 0, 0));
            TestSupport::screenshot(m_window, u"review-wrong-only"_s);
        }
        // The choice is kept for the next exam reviewed, and for the next run.
        QCOMPARE(UserSettings::reviewFilter(), filter);
        review(view, examId);
        QCOMPARE(view->lblStatus()->text(), u"Question: %1 of %2"_s.arg(std::min(1, m)).arg(m));
        // Back to every question: the one on screen stays.
        const QString onScreen = view->txtFieldsText(ViewExamField::Question);
        click(view->optFilter(frmViewExam::AllQuestions));
        QVERIFY(view->lblStatus()->text().endsWith(u" of %1"_s.arg(outcomes.size())));
        if (m > 0)
            QCOMPARE(view->txtFieldsText(ViewExamField::Question), onScreen);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void mistakesAreTheLatestWrongAnswersOfThatNameAndArePractised()
    {
        // Ann's history, latest by exam: question 1 right; 2 wrong then right; 3 unanswered; 4
        // right then wrong; Programming 1 wrong; Database 5 wrong.
        m_program->storeAnswered(u"Ann"_s, u"0:RW-R 1:W"_s);
        m_program->storeAnswered(u"Ann"_s, u"0@2:R 0@4:W 2@5:W"_s);
        // Neither an unscored exam nor another spelling of the name counts.
        m_program->storeAnswered(u"Ann"_s, u"0:W 3:WWW"_s, false);
        m_program->storeAnswered(u"ann"_s, u"4:WWWW"_s);
        m_program->storeAnswered(u"Ann "_s, u"5:WWWW"_s);
        const auto db = openDb();
        QVERIFY(db);
        const Mistakes ann = Mistakes::of(*db, u"Ann"_s);
        QCOMPARE(ann.byCategory, (ExamDraw::Lists{{{qid(0, 3), qid(0, 4)}, {qid(1, 1)}, {qid(2, 5)}, {}, {}, {}}}));
        QCOMPARE(ann.total(), 4);
        QVERIFY(Mistakes::of(*db, u"Nobody"_s).isEmpty());
        QCOMPARE(Mistakes::of(*db, u"ann"_s).byCategory[4].size(), size_t(4));

        // Practised from the set-up: Bea got ten Software Testing questions and one Database question wrong.
        m_program->storeAnswered(u"Bea"_s, u"0:WWWWW-WWWWRRRRR 2:W"_s);
        m_window = m_program->start();
        frmExam *exam = TestSupport::openExam(m_window);
        QVERIFY(!exam->chkPractise()->isChecked());
        QCOMPARE(exam->chkPractise()->accessibleName(), u"Only questions I answered wrong before"_s);
        click(exam->chkPractise());
        QVERIFY(UserSettings::practiseMistakes());
        // Five from each ticked category: Database has one such question.
        TestSupport::startExam(m_window, u"Bea"_s, {0, 2});
        QCOMPARE(box(-1),
            (QVariantList{u"The category \"Database Basic\" has 1 question(s) answered wrong before, but "
                          "this exam needs 5 from it.\nPlease tick other categories or choose fewer questions."_s,
                u"Not Enough Questions"_s, MessageBox::Exclamation}));
        QVERIFY(
            exam->Command1(ExamCommand::StartExam)->isEnabled() && exam->Frame1(ExamFrame::Categories)->isEnabled());
        // Someone with no mistakes is told so.
        exam->Text1(ExamText::User)->setText(u"Nobody"_s);
        click(exam->Command1(ExamCommand::StartExam));
        QCOMPARE(box(-1).at(1), u"No Mistakes to Practise"_s);
        QVERIFY2(box(-1).at(0).toString().startsWith(u"Nobody has no questions answered wrong before"_s),
            qPrintable(box(-1).at(0).toString()));
        QCOMPARE(m_program->scalar(u"SELECT count(*) FROM ExamTitle"_s).toInt(), 6);

        // Software Testing alone: the ten of Bea's, and the exam is an ordinary one, marked as practice.
        exam = TestSupport::openExam(m_window);
        QVERIFY(exam->chkPractise()->isChecked());
        MessageBox::clearShown();
        TestSupport::startExam(m_window, u"Bea"_s, {0});
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        const qint32 practice = exam->examId();
        QCOMPARE(m_program->scalar(u"SELECT count(*) || ' ' || sum(QID IN (SELECT QID FROM Q_A WHERE Question LIKE "
                                   u"'Software Testing question %' AND CAST(substr(Question, 27) AS INTEGER) <= 10)) "
                                   u"FROM ExamDetails WHERE ExamID = "_s
                     + QString::number(practice)),
            u"10 10"_s);
        QCOMPARE(m_program->scalar(u"SELECT count(*) FROM PracticeExams WHERE ExamID = %1"_s.arg(practice)).toInt(), 1);
        QVERIFY(exam->Timer1()->isActive());
        click(exam->Command1(ExamCommand::EndExam));
        QVERIFY(!m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(practice)).isNull());
        QCOMPARE(m_window->viewExamForm()->gridModel()->rowCount(), 7);
    }

    void progressChartData()
    {
        // Ann: full, practice, full, an unscored one, and a full exam of nothing; Ben's are not hers.
        QCOMPARE(m_program->storeAnswered(u"Ann"_s, u"0:RRRW 2:RWWW"_s, true, false, u"2026-01-02 09:05:00"_s), 1);
        m_program->storeAnswered(u"Ann"_s, u"0:WW"_s, true, true, u"2026-01-03 14:30:00"_s);
        m_program->storeAnswered(u"Ben"_s, u"1:RRRR"_s);
        m_program->storeAnswered(u"Ann"_s, u"0:RRRR 5:RR"_s, true, false, u"2026-01-04 08:00:00"_s);
        m_program->storeAnswered(u"Ann"_s, u"0:RRRR"_s, false);
        const auto owned = openDb();
        QVERIFY(owned);
        cDBAccess &db = *owned;
        QCOMPARE(ProgressData::candidates(db, u"Ben"_s), (QStringList{"Ben", "Ann"}));
        QCOMPARE(ProgressData::candidates(db, u"Zoe"_s), (QStringList{"Ann", "Ben"}));
        QCOMPARE(ProgressData::orderCandidates({"bob", "Ann", "Bob", "ann"}, "Bob"),
            (QStringList{"Bob", "Ann", "ann", "bob"}));
        const ProgressChart chart = ProgressData::chart(u"Ann"_s, ProgressData::examsOf(db, u"Ann"_s), 65);
        QCOMPARE(chart.exams, 3);
        QStringList lines, expected;
        for (const ProgressChart::Line &line : chart.lines) {
            QStringList points;
            for (const ProgressChart::Point &p : line.points)
                points << u"%1:%2@%3"_s.arg(p.x).arg(p.y).arg(p.examId);
            lines << QStringList{line.name, points.join(u' '), line.points.front().tip}.join(u'\t');
        }
        for (const QStringList &row : TestSupport::caseTable(u"sessions/insight-chart.tsv"_s).rows)
            expected << row.join(u'\t');
        QCOMPARE(lines.join(u'\n'), expected.join(u'\n'));
        // Exactly at the pass mark is a pass.
        const ProgressChart atMark = ProgressData::chart(u"Ann"_s, ProgressData::examsOf(db, u"Ann"_s), 50);
        QCOMPARE(atMark.line(u"Full exams"_s)->points.front().tip,
            u"Exam # 1, 01/02/26 09:05 AM\n8 questions, 4 correct: 50 % (Pass)"_s);
        // Nobody's chart is empty and draws no pass mark.
        const ProgressChart none = ProgressData::chart(u"Zoe"_s, ProgressData::examsOf(db, u"Zoe"_s), 65);
        QCOMPARE(none.exams, 0);
        QVERIFY(none.line(u"Pass mark 65 %"_s)->points.empty());
    }

    void progressWindowFollowsDeletionsAndCloses()
    {
        for (int e = 0; e < 12; ++e) {
            const int right = (e * 7) % 11;
            m_program->storeAnswered(u"Dana"_s,
                u"%1:%2%3 %4:RRW"_s.arg(e % 6).arg(QString(right, u'R'), QString(10 - right, u'W')).arg((e + 2) % 6),
                true, e % 4 == 3, u"2026-02-%1 10:00:00"_s.arg(e + 1, 2, 10, QLatin1Char('0')));
        }
        const qint32 other = m_program->storeAnswered(u"Eli"_s, u"0:RRWW"_s);
        frmViewExam *view = openResults();
        review(view, other);
        click(view->progressButton());
        QPointer<frmProgress> progress = m_window->progressForm();
        QVERIFY(progress);
        // A child window of the main window, beside the screens; the menu's screens are as they were.
        auto *sub = qobject_cast<QMdiSubWindow *>(progress->parentWidget());
        QVERIFY(sub && m_window->mdiArea()->subWindowList().contains(sub));
        QCOMPARE(m_window->viewExamForm(), view);
        QCOMPARE(progress->cboCandidate()->itemText(0), u"Eli"_s);
        QCOMPARE(progress->chart().exams, 1);
        QVERIFY(progress->view());
        // Another candidate from the list.
        progress->cboCandidate()->setCurrentIndex(progress->cboCandidate()->findText(u"Dana"_s));
        QCOMPARE(progress->chart().candidate, u"Dana"_s);
        QCOMPARE(progress->chart().exams, 12);
        QCOMPARE(progress->chart().line(u"Practice exams"_s)->points.size(), size_t(3));
        QCOMPARE(
            progress->view()->lineNames().mid(0, 3), (QStringList{"Full exams", "Practice exams", "Pass mark 65 %"}));
        // The legend turns a category's line off, and the choice is kept.
        progress->view()->toggleLine(u"Database Basic"_s);
        QCOMPARE(UserSettings::hiddenChartLines(), QStringList{u"Database Basic"_s});
        sub->resize(820, 560);
        QCoreApplication::processEvents();
        TestSupport::screenshot(sub, u"progress-chart"_s);
        progress->view()->toggleLine(u"Database Basic"_s);
        QVERIFY(UserSettings::hiddenChartLines().isEmpty());

        // Deleting one of Dana's exams on the results screen takes it off the open chart.
        const qint32 firstOfDana = progress->chart().line(u"Full exams"_s)->points.front().examId;
        review(view, firstOfDana);
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(ViewExamCommand::DeleteExam));
        QCOMPARE(progress->chart().exams, 11);
        QCOMPARE(progress->chart().candidate, u"Dana"_s);
        for (const ProgressChart::Line &line : progress->chart().lines)
            for (const ProgressChart::Point &p : line.points)
                QVERIFY(p.examId != firstOfDana);
        // A lower pass mark on the results screen redraws the mark's line.
        m_window->viewExamForm()->passMarkBox()->setValue(50);
        QVERIFY(progress->chart().line(u"Pass mark 50 %"_s));
        // Asking again brings the same window forward with that candidate.
        m_window->OpenProgressChart(u"Eli"_s);
        QCOMPARE(m_window->progressForm(), progress.data());
        QCOMPARE(progress->chart().candidate, u"Eli"_s);

        // The closing sequence closes it with the screens.
        MessageBox::setNextAnswer(MessageBox::Yes);
        m_window->close();
        QVERIFY(LoadedForms().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!progress);
    }

    void reportHoldsTheWholeExam()
    {
        // Fifty questions: two pages at least, and a name a file name cannot hold.
        const qint32 examId = m_program->storeAnswered(
            u"Fay/O'Neil"_s, u"0:RRRRRRRRRRRRRWWWWWW- 1:RRRRRRRRRR 3:RRRRRRRRRRWWWWWWWWWW"_s);
        frmViewExam *view = openResults();
        review(view, examId);
        QVERIFY(m_out.isValid());
        // A cancel writes nothing.
        FileDialog::setNextResult(std::nullopt);
        click(view->savePdfButton());
        QCOMPARE(FileDialog::lastTitle(), u"Save Report as PDF"_s);
        QVERIFY2(FileDialog::lastSuggested().endsWith(u"/Exam %1 - Fay_O'Neil.pdf"_s.arg(examId)),
            qPrintable(FileDialog::lastSuggested()));
        QVERIFY(QDir(m_out.path()).isEmpty());
        // The suffix is added when the name has none.
        FileDialog::setNextResult(m_out.filePath(u"report"_s));
        click(view->savePdfButton());
        const QString pdf = m_out.filePath(u"report.pdf"_s);
        QVERIFY(QFileInfo::exists(pdf));
        QCOMPARE(UserSettings::reportFolder(), m_out.path());
        const QString text = TestSupport::pdfText(pdf);
        QVERIFY2(!text.isEmpty(), "pdftotext read nothing");
        const QString flat = text.simplified();
        for (const QStringList &row : TestSupport::caseTable(u"sessions/insight-report.tsv"_s).rows)
            QVERIFY2(flat.contains(row.first()), qPrintable(row.first() + u"\n---\n"_s + text.left(1500)));
        // Every question with its explanation.
        QCOMPARE(int(flat.count(QRegularExpression(u"(Software Testing|Programming Basic|Internet Technology) question "
                                                   u"([1-9]|1[0-9]|20) "_s))),
            50);
        QCOMPARE(int(flat.count(QRegularExpression(u"Because of ([1-9]|1[0-9]|20)\\."_s))), 50);
        QCOMPARE(int(flat.count(u"WRONG"_s)), 17);
        QVERIFY(flat.contains(u"Your answer: none (wrong) Correct answer: D"_s));
        // Numbered pages: each page (form feeds part them) ends with its number.
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 2);
        for (int page = 0; page < pages.size(); ++page) {
            if (pages.at(page).trimmed().isEmpty())
                continue;
            QCOMPARE(pages.at(page).trimmed().split(u'\n').constLast().trimmed(), QString::number(page + 1));
        }
        TestSupport::screenshotPdf(pdf, u"report-page"_s);

        // Print: cancelled prints nothing; printed, the same pages come out.
        PrintDialog::setNextResult(false);
        click(view->printButton());
        QCOMPARE(PrintDialog::shownCount(), 1);
        const QString printed = m_out.filePath(u"printed.pdf"_s);
        PrintDialog::setNextResult(true, printed);
        click(view->printButton());
        QCOMPARE(PrintDialog::shownCount(), 2);
        QCOMPARE(int(TestSupport::pdfText(printed).simplified().count(u"WRONG"_s)), 17);
        // A file that cannot be written is reported.
        FileDialog::setNextResult(m_out.filePath(u"no-such-folder/report.pdf"_s));
        click(view->savePdfButton());
        QCOMPARE(box(-1).at(1), u"Save as PDF"_s);
        QVERIFY(box(-1).at(0).toString().startsWith(u"The report could not be saved:\n"_s));
    }
};

QTEST_MAIN(tst_insight)
#include "tst_insight.moc"
