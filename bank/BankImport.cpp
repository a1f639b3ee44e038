#include "bank/BankImport.h"

#include <QFile>
#include <QFileInfo>

#include "data/ConnectionPool.h"
#include "data/DbError.h"
#include "data/ExamSchema.h"
#include "data/SqliteDatabase.h"
#include "data/cDBAccess.h"

namespace {
std::shared_ptr<SqliteDatabase> openDatabase(const QString &path, QString *error)
{
    DbError failure;
    auto db = ConnectionPool::acquire(path, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure);
    if (!db)
        *error = failure.description;
    return db;
}

QString caseOf(const QString &name)
{
    for (const QString &category : ExamSchema::categories()) {
        if (category.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return category;
    }
    return QString();
}
} // namespace

QString BankImport::File::howRead() const
{
    return recognised ? QStringLiteral("read as ") + QuestionBank::formatName(format) : QStringLiteral("not read");
}

BankImport::File BankImport::readFile(const QString &path)
{
    File file;
    file.name = QFileInfo(path).fileName();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        file.read.errors << QStringLiteral("cannot read the file (%1)").arg(in.errorString());
        return file;
    }
    const QByteArray bytes = in.readAll();
    const std::optional<QuestionBank::Format> format = QuestionBank::detect(bytes, path);
    if (!format) {
        file.read.errors << QStringLiteral(
            "not a question bank of a known format (GIFT, Aiken, Moodle XML, CSV, JSON)");
        return file;
    }
    file.format = *format;
    file.recognised = true;
    file.read = QuestionBank::read(bytes, *format);
    return file;
}

BankImport::Plan BankImport::plan(const std::vector<File> &files, const Mapping &mapping)
{
    Plan plan;
    const QString forAll = caseOf(mapping.forAll);
    if (!mapping.forAll.isEmpty() && forAll.isEmpty())
        plan.badMappings << QStringLiteral("\"%1\" is not one of the categories").arg(mapping.forAll);
    std::map<QString, QString> byName; // lower-cased bank category -> one of the six
    for (const auto &[from, to] : mapping.byBankCategory) {
        const QString category = caseOf(to);
        if (category.isEmpty())
            plan.badMappings << QStringLiteral("%1=%2: \"%2\" is not one of the categories").arg(from, to);
        else
            byName[from.trimmed().toLower()] = category;
    }
    for (const File &file : files) {
        for (const QString &error : file.read.errors)
            plan.errors << file.name + QStringLiteral(": ") + error;
        for (const QString &warning : file.read.warnings)
            plan.warnings << file.name + QStringLiteral(": ") + warning;
        for (const auto &[kind, count] : file.read.skippedByKind)
            plan.skippedByKind[kind] += count;
        plan.files.push_back({file.name, file.howRead(), int(file.read.questions.size()), file.read.skipped});
        for (const BankQuestion &q : file.read.questions) {
            const QString last = q.category();
            const QString path = q.categoryPath.join(QLatin1Char('/'));
            QString category = forAll;
            if (category.isEmpty())
                category = caseOf(last);
            if (category.isEmpty()) {
                for (const QString &key : {path.toLower(), last.trimmed().toLower()}) {
                    if (const auto found = byName.find(key); found != byName.end() && category.isEmpty())
                        category = found->second;
                }
            }
            if (category.isEmpty()) {
                ++plan.unmapped[last.isEmpty() ? QStringLiteral("(no category)") : last];
                continue;
            }
            PoolQuestion pq = q.toPool();
            pq.category = category;
            pq.source = QStringLiteral("%1, line %2 (%3)").arg(file.name).arg(q.line).arg(q.title());
            plan.questions.push_back(pq);
            ++plan.perCategory[category];
        }
    }
    return plan;
}

bool BankImport::canImport(const Plan &plan, bool goodOnly)
{
    return plan.unmapped.empty() && plan.badMappings.isEmpty() && !plan.questions.empty()
        && (plan.errors.isEmpty() || goodOnly);
}

bool BankImport::apply(const QString &databasePath, const Plan &plan, PoolStore::Report *report, QString *error)
{
    const std::shared_ptr<SqliteDatabase> db = openDatabase(databasePath, error);
    return db && PoolStore::add(*db, plan.questions, report, error);
}

QStringList BankImport::describe(const Plan &plan)
{
    QStringList lines;
    for (const QString &category : ExamSchema::categories()) {
        if (const auto found = plan.perCategory.find(category); found != plan.perCategory.end())
            lines << QStringLiteral("%1: %2 question(s)").arg(category).arg(found->second);
    }
    if (plan.questions.empty())
        lines << QStringLiteral("No question can be imported.");
    for (const FileReport &file : plan.files) {
        const qsizetype listed = file.skipped.size();
        lines << QStringLiteral("%1: %2, %3 question(s)%4")
                     .arg(file.name, file.howRead)
                     .arg(file.questions)
                     .arg(listed > 0 ? QStringLiteral(", left out:") : QString());
        for (const QString &skipped : file.skipped)
            lines << QStringLiteral("  ") + skipped;
    }
    if (const QString skipped = QuestionBank::skippedReport(plan.skippedByKind); !skipped.isEmpty())
        lines << skipped;
    for (const auto &[category, count] : plan.unmapped)
        lines << QStringLiteral("not mapped: \"%1\" (%2 question(s)): choose one of the categories for it")
                     .arg(category)
                     .arg(count);
    lines << plan.badMappings;
    for (const QString &error : plan.errors)
        lines << QStringLiteral("error: ") + error;
    for (const QString &warning : plan.warnings)
        lines << QStringLiteral("warning: ") + warning;
    return lines;
}

QStringList BankImport::describe(const PoolStore::Report &report)
{
    QStringList lines;
    for (const QString &category : ExamSchema::categories()) {
        if (const auto found = report.addedByCategory.find(category); found != report.addedByCategory.end())
            lines << QStringLiteral("%1: %2 question(s) added").arg(category).arg(found->second);
    }
    lines << QStringLiteral("%1 question(s) added, %2 already in the pool skipped; the pool holds %3 question(s).")
                 .arg(report.added)
                 .arg(report.duplicates)
                 .arg(report.questions);
    for (const QString &duplicate : report.duplicateOf)
        lines << QStringLiteral("skipped: ") + duplicate;
    for (const QString &contradiction : report.contradictions)
        lines << QStringLiteral("warning: ") + contradiction;
    return lines;
}

bool BankImport::poolQuestions(
    const QString &databasePath, const QStringList &categories, std::vector<BankQuestion> *questions, QString *error)
{
    const std::shared_ptr<SqliteDatabase> db = openDatabase(databasePath, error);
    std::vector<PoolStore::Stored> pool;
    if (!db || !PoolStore::read(*db, &pool, error, false))
        return false;
    for (const PoolStore::Stored &s : pool) {
        const PoolQuestion &q = s.question;
        if (!categories.isEmpty() && !categories.contains(q.category, Qt::CaseInsensitive))
            continue;
        BankQuestion b;
        b.id = q.id.isEmpty() ? PoolStore::idFromText(q.question) : q.id;
        b.name = b.id;
        b.categoryPath = QStringList{q.category};
        b.question = q.question;
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
            b.choice(i) = q.choice(i);
        b.correct = q.correct;
        b.explanation = q.explanation;
        questions->push_back(b);
    }
    return true;
}
