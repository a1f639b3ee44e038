#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QVariant>

#include "TestSupport.h"

// Helpers of the question suites: banks, the pool and its builder, the store, the editor, the statistics.
namespace QuestionCases {
using Rows = QList<QVariantList>;

// A file's bytes, empty when it cannot be read.
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline QByteArray dataBytes(const QString &relativePath)
{
    return bytesOf(TestSupport::testData(relativePath));
}
// A script under tests/data run on an exam database.
inline void execFile(const QString &db, const QString &relativePath)
{
    TestSupport::exec(db, QString::fromUtf8(dataBytes(relativePath)));
}

// What every stored exam shows: its title, and each detail row with its answer, question, key, category
// and flag.
inline Rows storedExams(const QString &db)
{
    return TestSupport::query(db,
        QStringLiteral("SELECT t.*, d.DetailID, d.UserName, d.Answer, d.Answered, q.Question, q.CorrectAnswer, "
                       "q.Category, (SELECT count(*) FROM ExamFlags f WHERE f.DetailID = d.DetailID) FROM ExamTitle t "
                       "JOIN ExamDetails d USING (ExamID) JOIN Q_A q USING (QID) ORDER BY d.DetailID"));
}

// The pool builder's tool sits in the build root, the suites in build/tests.
inline QString buildpool()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../vesk-buildpool");
}

// The *.json files of a folder by name; the shipped pool's when none is named.
inline QStringList jsonFiles(const QString &folder = QString())
{
    const QDir dir(folder.isEmpty() ? TestSupport::testData(QStringLiteral("../../pool")) : folder);
    QStringList paths;
    for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

} // namespace QuestionCases
