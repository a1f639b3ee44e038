#include <QtTest>

#include "SessionCases.h"
#include "TestSupport.h"

using namespace Qt::StringLiterals;

namespace {
QStringList violations(const QString &root)
{
    static const QRegularExpression include(u"^\\s*#\\s*include\\s*\"([^\"]+)\""_s);
    QHash<QString, QStringList> allowed;
    for (const QStringList &row : TestSupport::caseTable(u"sessions/layers.tsv"_s).rows)
        allowed.insert(row.at(0), row.at(1).split(u' ', Qt::SkipEmptyParts) << row.at(0));
    // Not layers: tests, the benchmark, build output and the like.
    const QStringList outside{
        u"tests"_s, u"bench"_s, u"docs"_s, u"pool"_s, u"resources"_s, u"scripts"_s, u"packaging"_s};
    QStringList found;
    const QDir top(root);
    for (const QString &folder : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (outside.contains(folder) || folder.startsWith(u"build"_s) || folder.startsWith(u'.'))
            continue;
        if (!allowed.contains(folder)) {
            found << u"%1/: a folder that is in no layer"_s.arg(folder);
            continue;
        }
        QDirIterator it(top.filePath(folder), {u"*.h"_s, u"*.cpp"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            const QString name = top.relativeFilePath(file.fileName());
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                found << name + u": cannot be read"_s;
            for (int line = 1; file.isOpen() && !file.atEnd(); ++line) {
                const QString target = include.match(QString::fromUtf8(file.readLine())).captured(1);
                const qsizetype slash = target.indexOf(u'/');
                // A bare name is a header of the file's own folder, or one the build generates.
                if (target == u"VersionInfo.h"_s && folder != u"shell"_s)
                    found << u"%1:%2: includes the shell's generated %3"_s.arg(name).arg(line).arg(target);
                else if (slash >= 0 && !allowed.value(folder).contains(target.left(slash)))
                    found << u"%1:%2: includes \"%3\" of a layer above or beside %4/"_s.arg(name).arg(line).arg(
                        target, folder);
            }
        }
    }
    return found;
}
} // namespace

// The folders are layers, each using only those below it (tests/data/sessions/layers.tsv): a file
// including a header of a layer above or beside its own is reported with its file and line.
class tst_layers final : public QObject {
    Q_OBJECT

private slots:
    void noFileIncludesUpOrSideways()
    {
        const QString root = qEnvironmentVariable("VESK_SOURCE_DIR");
        QVERIFY2(!root.isEmpty(), "VESK_SOURCE_DIR is set by CTest");
        const QStringList found = violations(root);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    void aWrongWayIncludeIsFound_data() { TestSupport::addCases(u"sessions/layers-wrong-way.tsv"_s); }
    void aWrongWayIncludeIsFound()
    {
        const auto [file, text, expected] = SessionCases::texts("file", "text", "expected");
        QTemporaryDir dir;
        QFile out(dir.filePath(file));
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(file).path()) && out.open(QIODevice::WriteOnly));
        QVERIFY(out.write(text.toUtf8()) == text.toUtf8().size() && out.flush());
        QCOMPARE(violations(dir.path()), expected.isEmpty() ? QStringList() : QStringList{expected});
    }

    // A command-line tool links Qt Core and the program's core libraries, never Qt Gui or Widgets;
    // the program's own links show that the check reads the links it means to. No program links a
    // database engine or Qt Print Support: each is loaded at its first use, so that start-up does
    // not pay for it.
    void guiLibrariesOnlyWhereWindowsAre()
    {
        for (const auto &[program, linksGui] :
            {std::pair(QStringLiteral(VESK_BUILDPOOL), false), std::pair(QStringLiteral(VESK_PROGRAM), true)}) {
            const QString links = TestSupport::run(u"ldd"_s, {program}).out;
            QVERIFY2(links.contains(u"libQt6Core"_s) && links.contains(u"libQt6Gui"_s) == linksGui
                    && links.contains(u"libQt6Widgets"_s) == linksGui,
                qPrintable(program + u": "_s + links));
            for (const QString &engine : {u"libsqlcipher"_s, u"libcrypto"_s, u"libodbc"_s, u"libQt6PrintSupport"_s})
                QVERIFY2(!links.contains(engine), qPrintable(program + u": "_s + links));
        }
    }
};

QTEST_GUILESS_MAIN(tst_layers)
#include "tst_layers.moc"
