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
