#include <algorithm>
#include <numeric>
#include <optional>

#include <QtTest>

#include "QuestionCases.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"

using namespace Qt::StringLiterals;

namespace {
struct Choice {
    QString letter;
    QString text;
    int length = 0;
};

// The words test-wise candidates distrust in a choice and take as a sign of "False" in a statement.
const QRegularExpression kAbsoluteWord(u"\\b(always|never|all|every|none|only|must|cannot)\\b"_s,
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);

// A reader counts characters, not UTF-16 units.
int characters(const QString &text)
{
    return int(text.toUcs4().size());
}

// Rank 0 to 2: the longest, second and third longest choice; 3: the shortest. A tie goes to the
// first letter; with fewer choices than the rank, the last of the order is taken.
QString pickByLength(QList<Choice> order, int rank)
{
    std::stable_sort(order.begin(), order.end(),
        [rank](const Choice &x, const Choice &y) { return rank == 3 ? x.length < y.length : x.length > y.length; });
    return order.at(rank == 3 ? 0 : std::min(rank, int(order.size()) - 1)).letter;
}

// The number a choice starts with: its digits only (a sign or a currency mark before them is
// skipped, a comma is a thousands separator); none when the choice does not start with one.
std::optional<double> leadingNumber(const QString &text)
{
    static const QRegularExpression number(
        u"^\\s*[-+]?\\$?\\s*(\\d+(?:[.,]\\d+)*)"_s, QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString digits = match.captured(1).remove(u',');
    for (QChar &c : digits)
        c = c.isDigit() ? QChar(u'0' + c.digitValue()) : c;
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

bool strictlyOrdered(const QList<double> &values)
{
    bool up = true, down = true;
    for (int i = 1; i < values.size(); ++i) {
        up = up && values.at(i - 1) < values.at(i);
        down = down && values.at(i - 1) > values.at(i);
    }
    return up || down;
}

// The one choice of four whose number, removed, leaves the other three strictly ascending or
// descending while the four are not; none when there is none or more than one.
std::optional<QString> outOfOrder(const QList<Choice> &choices)
{
    QList<double> values;
    for (const Choice &c : choices) {
        if (const std::optional<double> n = leadingNumber(c.text))
            values << *n;
    }
    if (values.size() != 4 || strictlyOrdered(values))
        return std::nullopt;
    std::optional<QString> found;
    for (int i = 0; i < values.size(); ++i) {
        QList<double> others = values;
        others.removeAt(i);
        if (strictlyOrdered(others) && std::exchange(found, choices.at(i).letter))
            return std::nullopt;
    }
    return found;
}

// The one choice whose text holds this, if only one does.
std::optional<QString> onlyOneWith(const QList<Choice> &choices, const QString &text)
{
    std::optional<QString> found;
    for (const Choice &c : choices) {
        if (c.text.toLower().contains(text) && std::exchange(found, c.letter))
            return std::nullopt;
    }
    return found;
}

// The ways to pick an answer without knowing the subject: on the questions of one right letter of
// four choices, the last on the true/false questions.
const QStringList kWays = [] {
    QStringList names;
    for (const QString &struck : {QString(), u" without an absolute word"_s}) {
        for (const QString &rank : {u"longest"_s, u"second longest"_s, u"third longest"_s, u"shortest"_s})
            names << u"the %1 choice%2"_s.arg(rank, struck);
    }
    return names << u"the one choice with \";\""_s << u"the one choice with \"such as\""_s
                 << u"the number out of order"_s << u"the absolute-word rule"_s;
}();

// Each way's pick in kWays' order, none where it does not apply.
QList<std::optional<QString>> picks(const QString &question, const QList<Choice> &choices, bool trueFalse)
{
    QList<std::optional<QString>> all(kWays.size());
    if (trueFalse) {
        all.last() = kAbsoluteWord.match(question).hasMatch() ? u"B"_s : u"A"_s;
        return all;
    }
    QList<Choice> kept; // the choices without an absolute word
    std::copy_if(choices.begin(), choices.end(), std::back_inserter(kept),
        [](const Choice &c) { return !kAbsoluteWord.match(c.text).hasMatch(); });
    for (int i = 0; i < 8; ++i)
        all[i] = pickByLength(i < 4 || kept.isEmpty() ? choices : kept, i % 4);
    all[8] = onlyOneWith(choices, u";"_s);
    all[9] = onlyOneWith(choices, u"such as"_s);
    all[10] = outOfOrder(choices);
    return all;
}

// Per way: how often it picks the key, of the questions it picks on.
using Figures = QList<std::pair<int, int>>;

Figures measure(const QJsonArray &questions)
{
    Figures figures(kWays.size());
    for (const QJsonValue &value : questions) {
        const QJsonObject q = value.toObject();
        const QString key = q.value(u"correct"_s).toString().trimmed().toUpper();
        QList<Choice> choices;
        for (const QString &letter : {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}) {
            const QString text = q.value(letter).toString();
            if (!text.trimmed().isEmpty())
                choices.append({letter.toUpper(), text, characters(text)});
        }
        const bool trueFalse = choices.size() == 2 && q.value(u"a"_s).toString() == u"True"_s
            && q.value(u"b"_s).toString() == u"False"_s;
        if (!trueFalse && (characters(key) > 1 || choices.size() != 4))
            continue;
        const QList<std::optional<QString>> picked = picks(q.value(u"question"_s).toString(), choices, trueFalse);
        for (qsizetype i = 0; i < picked.size(); ++i) {
            figures[i].first += picked[i] == key ? 1 : 0;
            figures[i].second += picked[i] ? 1 : 0;
        }
    }
    return figures;
}

QString describe(const Figures &figures)
{
    QStringList lines;
    for (qsizetype i = 0; i < kWays.size(); ++i)
        lines << u"%1 %2/%3"_s.arg(kWays[i]).arg(figures[i].first).arg(figures[i].second);
    return lines.join(u"; "_s);
}

// The bounds the figures must keep, per category or over the whole pool; one line per bound broken.
QStringList brokenBounds(const Figures &figures, bool wholePool)
{
    QStringList broken;
    const TestSupport::CaseTable bounds = TestSupport::caseTable(u"questionpool/cue-bounds.tsv"_s);
    for (const QStringList &bound : bounds.rows) {
        const QRegularExpression named(bounds.value(bound, u"ways"_s));
        for (qsizetype i = 0; i < kWays.size() && (bounds.value(bound, u"scope"_s) == u"pool"_s) == wholePool; ++i) {
            const auto [keyed, of] = figures[i];
            if (named.match(kWays[i]).hasMatch()
                && keyed * 100 > bounds.value(bound, u"most"_s).toInt() * of + bounds.value(bound, u"slack"_s).toInt())
                broken << u"%1: %2 picks the key in %3 of %4"_s.arg(bound.first(), kWays[i]).arg(keyed).arg(of);
        }
    }
    return broken;
}
} // namespace

// The shipped question pool: it builds whole, every category is large and balanced enough, one run
// of QIDs as the draws read it (tst_exam draws), and no answer cue scores above chance by much.
class tst_questionpool final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;
    // The questions as the files hold them, by category, and all of them.
    QHash<QString, QJsonArray> m_inCategory;
    QJsonArray m_all;

private slots:
    void initTestCase()
    {
        const QStringList files = QuestionCases::jsonFiles();
        QVERIFY2(files.size() == 6, "the pool folder was not found; set VESK_TEST_DATA");
        for (const QString &file : files) {
            for (const QJsonValue &q : QJsonDocument::fromJson(QuestionCases::bytesOf(file)).array()) {
                m_inCategory[q[u"category"_s].toString()].append(q);
                m_all.append(q);
            }
        }
        QVERIFY(m_dir.isValid());
        m_db = m_dir.filePath(u"Exam.mdb"_s);
        PoolBuilder builder;
        QVERIFY2(builder.loadFiles(files) && builder.build(m_db, PoolBuilder::Mode::Create),
            qPrintable(builder.errors().join('\n')));
    }

    // Per category (each one's check box) and over the whole pool ("All Categories"): enough questions
    // of the kinds an exam asks, right letters balanced, no cue of the files' texts scoring much above
    // chance; the whole pool holds every question of the files in the exam's order, explained, none twice.
    void categoryIsBalanced_data()
    {
        QTest::addColumn<int>("box");
        const QStringList captions = ExamSchema::categories() << u"All Categories"_s;
        for (int i = 0; i < captions.size(); ++i)
            QTest::newRow(qPrintable(captions.at(i))) << i;
    }
    void categoryIsBalanced()
    {
        QFETCH(int, box);
        const bool whole = box == 6;
        const QString category = whole ? QString() : ExamSchema::categories().at(box);
        const QString where = whole ? QString() : u"WHERE Category = '%1'"_s.arg(category);
        const QList<QVariantList> questions = TestSupport::query(
            m_db, u"SELECT QID, A, B, C, D, E, F, CorrectAnswer FROM Q_A %1 ORDER BY QID"_s.arg(where));
        const int total = int(questions.size());
        QVERIFY2(total >= (whole ? 900 : 150), qPrintable(u"%1 questions"_s.arg(total)));
        QMap<QString, int> letters; // right letters of the single-answer four-choice questions
        int trueFalse = 0, fiveChoice = 0, chooseTwo = 0;
        QStringList odd;
        for (int i = 0; i < total; ++i) {
            const QVariantList &q = questions.at(i);
            QCOMPARE(q.at(0).toInt(), questions.first().first().toInt() + i); // one unbroken run of QIDs
            int filled = 0; // choices in a row from A
            while (filled < 6 && !q.at(1 + filled).toString().trimmed().isEmpty())
                ++filled;
            const QString key = q.at(7).toString();
            if (filled == 2 && q.at(1).toString() == u"True"_s && q.at(2).toString() == u"False"_s && key.size() == 1)
                ++trueFalse;
            else if (filled == 4 && key.size() == 1)
                ++letters[key];
            else if (filled == 5 && key.size() == 1)
                ++fiveChoice;
            else if ((filled == 4 || filled == 5) && key.size() == 2)
                ++chooseTwo;
            else
                odd << q.at(0).toString();
        }
        QVERIFY2(odd.isEmpty(), qPrintable(u"of no kind an exam asks: QID "_s + odd.join(u", "_s)));
        const int fourChoice = std::accumulate(letters.begin(), letters.end(), 0);
        // Each letter correct in 20% to 30% of the four-choice questions; about a tenth true/false.
        for (const QString &letter : QStringList{"A", "B", "C", "D"})
            QVERIFY2(letters.value(letter) * 5 >= fourChoice && letters.value(letter) * 10 <= fourChoice * 3,
                qPrintable(u"%1 is correct in %2 of %3"_s.arg(letter).arg(letters.value(letter)).arg(fourChoice)));
        QVERIFY2(trueFalse * 100 >= total * 7 && trueFalse * 100 <= total * 13,
            qPrintable(u"%1 true/false of %2"_s.arg(trueFalse).arg(total)));
        // Enough "choose two" questions to practise them in every category, most where the exam asks
        // them most; enough five-choice ones over the pool.
        const bool mainSubject = category == u"Software Testing"_s || category == u"Quality Assurance"_s;
        const int chooseTwoMinimum = whole ? 15 + 15 + 4 * 3 : mainSubject ? 15 : 3;
        QVERIFY2(chooseTwo >= chooseTwoMinimum,
            qPrintable(u"%1 choose-two questions, fewer than %2"_s.arg(chooseTwo).arg(chooseTwoMinimum)));
        QVERIFY2(!whole || fiveChoice >= 30, qPrintable(u"%1 five-choice questions, fewer than 30"_s.arg(fiveChoice)));

        const Figures figures = measure(whole ? m_all : m_inCategory.value(category));
        qInfo("%s", qPrintable(describe(figures)));
        QVERIFY(figures.front().second > 0);
        const QStringList broken = brokenBounds(figures, whole);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u"; "_s)));
        if (!whole)
            return;
        QCOMPARE(total, int(m_all.size()));
        QCOMPARE(TestSupport::scalar(m_db,
                     u"SELECT group_concat(Category, '|') FROM (SELECT Category FROM Q_A GROUP BY Category ORDER BY "
                     u"min(QID))"_s),
            ExamSchema::categories().join('|'));
        const QVariant missing = TestSupport::scalar(
            m_db, u"SELECT group_concat(QID, ', ') FROM Q_A WHERE Description IS NULL OR trim(Description) = ''"_s);
        QVERIFY2(missing.isNull(), qPrintable(u"no explanation: QID "_s + missing.toString()));
        // Also catches texts that differ only in letter case or surrounding spaces.
        const QVariant repeated = TestSupport::scalar(m_db,
            u"SELECT group_concat(t, ' | ') FROM (SELECT lower(trim(Question)) AS t FROM Q_A GROUP BY t HAVING "
            u"count(*) > 1)"_s);
        QVERIFY2(repeated.isNull(), qPrintable(u"repeated: "_s + repeated.toString()));
    }

    // The measurement and its bounds on small made-up question sets, each breaking one bound or
    // keeping every bound at its limit: the figures are as counted by hand, and each bound can fail.
    void cueBoundsCatchCues_data()
    {
        QTest::addColumn<QJsonObject>("set");
        const QJsonArray cases = QJsonDocument::fromJson(QuestionCases::dataBytes(u"questionpool/cues.json"_s)).array();
        QVERIFY2(!cases.isEmpty(), "tests/data/questionpool/cues.json was not found; set VESK_TEST_DATA");
        for (const QJsonValue &c : cases)
            QTest::newRow(qPrintable(c[u"case"_s].toString())) << c.toObject();
    }
    void cueBoundsCatchCues()
    {
        QFETCH(QJsonObject, set);
        const Figures measured = measure(set[u"questions"_s].toArray());
        QCOMPARE(describe(measured), set[u"figures"_s].toString());
        QCOMPARE(brokenBounds(measured, set[u"wholePool"_s].toBool()), set[u"broken"_s].toVariant().toStringList());
    }
};

QTEST_MAIN(tst_questionpool)
#include "tst_questionpool.moc"
