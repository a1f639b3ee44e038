#include "ScreenSuite.h"

#include "ClassServer.h"
#include "QuestionCases.h"
#include "data/ConnectionPool.h"
#include "data/QuestionStats.h"
#include "data/QuestionStatsCsv.h"
#include "data/SqliteDatabase.h"
#include "platform/FileDialog.h"
#include "questions/frmQuestionStats.h"

using QuestionCases::bytesOf;
using SessionCases::text;

// The designed set of tests/data/stats/designed.sql, its figures worked out by hand there.
constexpr int kFirstQid = 1001;

// Question statistics of the designed set, worked out by hand in tests/data/questionstats.csv: on the file,
// through vesk-buildpool, on a class's server and on the screen.
class tst_questionstats final : public QObject {
    Q_OBJECT

    ClassServer m_class{{1, 1, 1, 1, 1, 1}};
    QTemporaryDir m_dir;
    std::unique_ptr<TestSupport::Program> m_program;

    QString file() const { return m_dir.filePath(u"Exam.mdb"_s); }
    static QByteArray golden() { return QuestionCases::dataBytes(u"questionstats.csv"_s); }
    // The golden file's header and the lines of these questions, in its order.
    static QByteArray goldenLines(const QStringList &ids)
    {
        QList<QByteArray> lines = golden().split('\n');
        const QByteArray header = lines.takeFirst();
        lines.removeIf(
            [&](const QByteArray &line) { return !ids.contains(QString::fromUtf8(line.split(',').value(0))); });
        return (QList<QByteArray>{header} + lines).join('\n') + '\n';
    }
    static std::vector<QuestionStats::Row> computed(Database &db, const QuestionStats::Filter &filter = {})
    {
        std::vector<QuestionStats::Row> rows;
        QString error;
        if (!QuestionStats::compute(db, filter, &rows, &error))
            qWarning("not counted: %s", qPrintable(error));
        return rows;
    }
    std::shared_ptr<Database> openFile(const QString &path)
    {
        DbError error;
        return ConnectionPool::acquire(path, QString::fromLatin1(cDBAccess::kDatabasePassword), &error);
    }
    frmQuestionStats *openFromMenu(frmMain *window)
    {
        auto *action = window->findChild<QAction *>(u"mnuQuestionStats"_s);
        if (!action || !action->isVisible())
            return nullptr;
        action->trigger();
        return window->findChild<frmQuestionStats *>();
    }
    static QStringList column(frmQuestionStats *screen, int c)
    {
        QStringList cells;
        const QAbstractItemModel *model = screen->table()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            cells << model->index(row, c).data().toString();
        return cells;
    }
    static void clickHeader(QTableView *table, int section)
    {
        QHeaderView *header = table->horizontalHeader();
        const QPoint at(
            header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestSupport::buildDatabase(file(), {1, 1, 1, 1, 1, 1});
        const QString designed
            = u"BEGIN;"_s + QString::fromUtf8(QuestionCases::dataBytes(u"stats/designed.sql"_s)) + u"COMMIT;"_s;
        TestSupport::exec(file(), designed);

        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        QVERIFY(m_class.addCandidate(u"cleo"_s, u"cleo-pw"_s));
        // As the server's owner: the questions themselves, not the view that stands in for them.
        const QString owner = u"SET search_path = vesk_private, public;"_s;
        QVERIFY(m_class.exec(
            owner + u"ALTER TABLE Q_A ADD COLUMN IF NOT EXISTS E TEXT, ADD COLUMN IF NOT EXISTS F TEXT"_s));
        QVERIFY(m_class.exec(owner + designed));
        QCOMPARE(m_class.scalar(u"SELECT count(*) FROM ExamDetails"_s),
            TestSupport::scalar(file(), u"SELECT count(*) FROM ExamDetails"_s).toString());
        QVERIFY(!golden().isEmpty());
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup()
    {
        m_program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gRs.reset();
        gDB.reset();
        gConnection.reset();
        ConnectionPool::clear();
    }

    void filters_data() { TestSupport::addCases(u"sessions/stats-filters.tsv"_s); }
    void filters()
    {
        const std::shared_ptr<Database> db = openFile(file());
        QVERIFY(db);
        const QString from = text("from"), to = text("to");
        const QuestionStats::Filter filter{
            text("category"), QDate::fromString(from, Qt::ISODate), QDate::fromString(to, Qt::ISODate)};
        const std::vector<QuestionStats::Row> rows = computed(*db, filter);
        QStringList ids, counted;
        for (const QuestionStats::Row &row : rows) {
            ids << row.questionId;
            counted << u"%1:%2"_s.arg(row.questionId).arg(row.attempts);
        }
        QCOMPARE(counted.join(u' '), text("attempts"));
        // The server counts as the file does for a trainer.
        const std::shared_ptr<Database> tina = ClassServer::connectAs(u"tina"_s, u"tina-pw"_s);
        QVERIFY(tina && QuestionStats::mayRead(*tina));
        QCOMPARE(QuestionStatsCsv::write(computed(*tina, filter)), QuestionStatsCsv::write(rows));
        // The figures of a question do not depend on which other questions are counted.
        if (from.isEmpty() && to.isEmpty())
            QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(rows)), QString::fromUtf8(goldenLines(ids)));
    }

    void olderAndOddFiles_data() { TestSupport::addCases(u"sessions/stats-odd-files.tsv"_s); }
    void olderAndOddFiles()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"Exam.mdb"_s);
        QVERIFY(QFile::copy(file(), copy));
        TestSupport::exec(copy, text("sql"));
        QString expected = QString::fromUtf8(golden());
        const QStringList fromLines = text("from").split(u'|'), toLines = text("to").split(u'|');
        for (int i = 0; i < fromLines.size(); ++i) {
            QVERIFY2(expected.contains(fromLines.at(i)), qPrintable(fromLines.at(i)));
            expected.replace(fromLines.at(i), toLines.at(i));
        }
        const std::shared_ptr<Database> db = openFile(copy);
        QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(computed(*db))), expected);
    }

    void command_data() { TestSupport::addCases(u"sessions/stats-command.tsv"_s); }
    void command()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(u"stats.csv"_s);
        QStringList argv = text("arguments").split(u'\n');
        for (QString &argument : argv)
            argument.replace(u"FILE"_s, file()).replace(u"OUT"_s, out);
        const TestSupport::Run run = TestSupport::run(QuestionCases::buildpool(), argv);
        QVERIFY2(run.status == text("status").toInt(), qPrintable(run.out + run.err));
        if (run.status != 0) {
            QVERIFY(!QFileInfo::exists(out));
            QVERIFY2(!run.err.isEmpty() && run.err.contains(text("says")), qPrintable(run.err));
            return;
        }
        const QStringList idList = text("ids").split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(bytesOf(out), idList.isEmpty() ? golden() : goldenLines(idList));
        QCOMPARE(
            run.out, u"%1 written: %2 questions attempted.\n"_s.arg(out).arg(idList.isEmpty() ? 8 : idList.size()));
    }

    // The counting statement sent straight to the server as a candidate counts only the candidate's own
    // exams (ann's, which March holds on the file).
    void serverAsCandidate()
    {
        const std::shared_ptr<Database> ann = ClassServer::connectAs(u"ann"_s, u"ann-pw"_s);
        QVERIFY(ann);
        Database::Result own;
        DbError failure;
        QVERIFY2(ann->query(ann->translate(QuestionStats::countStatement({}, true)), &own, &failure),
            qPrintable(failure.description));
        Database::Result march;
        const std::shared_ptr<Database> local = openFile(file());
        const QuestionStats::Filter marchOnly{{}, QDate(2026, 3, 1), QDate(2026, 3, 31)};
        QVERIFY(local->query(local->translate(QuestionStats::countStatement(marchOnly, true)), &march, &failure));
        const auto groups = [](const Database::Result &result) {
            QStringList lines;
            for (const std::vector<QVariant> &row : result.rows)
                lines << QVariant(QVariantList(row.begin(), row.end())).toStringList().join(u' ');
            lines.sort();
            return lines;
        };
        QCOMPARE(groups(own), groups(march));
        QSet<qint64> questions;
        for (const std::vector<QVariant> &row : own.rows)
            questions << row.at(0).toLongLong();
        // st-01, st-02, pb-01, qa-01 and it-01: the designed questions W's exams hold.
        QCOMPARE(questions, (QSet<qint64>{kFirstQid, kFirstQid + 1, kFirstQid + 3, kFirstQid + 5, kFirstQid + 7}));
    }

    // The screen as a trainer uses it on a file.
    void screenOnTheFile()
    {
        m_program = std::make_unique<TestSupport::Program>();
        QVERIFY(QFile::copy(file(), m_program->dbPath()));
        frmMain *window = m_program->start();
        QPointer<frmQuestionStats> screen = openFromMenu(window);
        QVERIFY(screen && screen->isVisible());
        QCOMPARE(screen->table()->model()->rowCount(), 8);
        QCOMPARE(screen->summary()->text(), u"8 questions attempted, 135 attempts."_s);
        QCOMPARE(column(screen, frmQuestionStats::QuestionId),
            (QStringList{"db-01", "it-01", "nb-01", "pb-01", "qa-01", "qa-02", "st-01", "st-02"}));
        // st-01's line as shown: percentages of the CSV's fractions, its key in bold.
        QStringList st01;
        for (int c = 0; c <= frmQuestionStats::Flags; ++c)
            st01 << screen->table()->model()->index(6, c).data().toString();
        QCOMPARE(st01,
            (QStringList{"st-01", "Software Testing", "32", "62.5 %", "0.561", "18.8 %", "62.5 %", "0.0 %", "15.6 %",
                "", "", "3.1 %", "unpicked-C"}));
        const auto bold
            = [&](int c) { return screen->table()->model()->index(6, c).data(Qt::FontRole).value<QFont>().bold(); };
        QVERIFY(bold(frmQuestionStats::LetterA + 1) && !bold(frmQuestionStats::LetterA));
        TestSupport::screenshot(screen, u"question-statistics"_s);

        // Sorted by each column in turn, one way and then the other; empty cells are not figures.
        for (int c = frmQuestionStats::QuestionId; c <= frmQuestionStats::Flags; ++c) {
            for (int click = 0; click < 2; ++click) {
                clickHeader(screen->table(), c);
                QCOMPARE(screen->table()->horizontalHeader()->sortIndicatorSection(), c);
                const bool up = screen->table()->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
                QVariantList values;
                for (int row = 0; row < 8; ++row) {
                    const QVariant v = screen->table()->model()->index(row, c).data(frmQuestionStats::kSortRole);
                    if (v.isValid())
                        values << v;
                }
                if (!up)
                    std::reverse(values.begin(), values.end());
                const auto less = [](const QVariant &x, const QVariant &y) { return QVariant::compare(x, y) < 0; };
                QVERIFY2(std::is_sorted(values.begin(), values.end(), less), qPrintable(u"column %1"_s.arg(c)));
                // The least often right first, or the always right.
                if (c == frmQuestionStats::Facility)
                    QCOMPARE(column(screen, frmQuestionStats::QuestionId).value(0), up ? u"pb-01"_s : u"qa-02"_s);
            }
        }

        // One category: Software Testing's two questions; sorted by discrimination, st-02 first.
        screen->category()->setCurrentIndex(screen->category()->findText(u"Software Testing"_s));
        QCOMPARE(screen->table()->model()->rowCount(), 2);
        screen->table()->sortByColumn(frmQuestionStats::Discrimination, Qt::AscendingOrder);
        QCOMPARE(column(screen, frmQuestionStats::QuestionId), (QStringList{"st-02", "st-01"}));
        QCOMPARE(column(screen, frmQuestionStats::Flags), (QStringList{"negative-discrimination", "unpicked-C"}));
        // A double-click asks for the question (the editor will open it).
        QSignalSpy asked(screen.data(), &frmQuestionStats::questionActivated);
        const QRect cell = screen->table()->visualRect(screen->table()->model()->index(0, frmQuestionStats::Category));
        QTest::mouseClick(screen->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(screen->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).at(0).toLongLong(), qint64(kFirstQid + 1));
        QCOMPARE(asked.at(0).at(1).toString(), u"st-02"_s);

        // Exported: a cancel writes nothing; the lines in QuestionID order whatever the sorting, ".csv" added.
        QTemporaryDir out;
        FileDialog::setNextResult(std::nullopt);
        QTest::mouseClick(screen->exportButton(), Qt::LeftButton);
        QCOMPARE(FileDialog::lastTitle(), u"Export Question Statistics"_s);
        QVERIFY(QDir(out.path()).isEmpty());
        FileDialog::setNextResult(out.filePath(u"testing"_s));
        QTest::mouseClick(screen->exportButton(), Qt::LeftButton);
        QCOMPARE(bytesOf(out.filePath(u"testing.csv"_s)), goldenLines({u"st-01"_s, u"st-02"_s}));
        QCOMPARE(TestSupport::box(-1),
            (QVariantList{u"2 questions written to %1."_s.arg(out.filePath(u"testing.csv"_s)), u"Question Statistics"_s,
                int(MessageBox::Information)}));

        // Dates: from March, Software Testing's attempts are ann's ten each.
        screen->fromDate()->setDate(QDate(2026, 3, 1));
        QCOMPARE(screen->table()->model()->rowCount(), 2); // not counted again until ticked
        QTest::mouseClick(screen->fromBox(), Qt::LeftButton);
        QVERIFY(screen->fromBox()->isChecked());
        QCOMPARE(column(screen, frmQuestionStats::Attempts), (QStringList{"10", "10"}));
        // Every category and every date again (March alone holds five questions).
        QTest::mouseClick(screen->fromBox(), Qt::LeftButton);
        screen->category()->setCurrentIndex(0);
        QCOMPARE(screen->table()->model()->rowCount(), 8);
        // Asked for again, the same window comes forward.
        QCOMPARE(openFromMenu(window), screen.data());
        QCOMPARE(window->findChildren<frmQuestionStats *>().size(), 1);
    }
};

QTEST_MAIN(tst_questionstats)
#include "tst_questionstats.moc"
