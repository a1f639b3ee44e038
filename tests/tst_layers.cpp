#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;

// The folders read as layers, each using only those below it: a file that includes a header
// of a layer above or beside its own is reported with its file and line.
class tst_layers final : public QObject {
    Q_OBJECT

private slots:
    void noFileIncludesUpOrSideways();
    void aWrongWayIncludeIsFound_data();
    void aWrongWayIncludeIsFound();
    void guiLibrariesOnlyWhereWindowsAre_data();
    void guiLibrariesOnlyWhereWindowsAre();

private:
    static QStringList violations(const QString &root);
};

namespace {
// What each folder may include besides itself, from tests/data/sessions/layers.tsv.
const QHash<QString, QSet<QString>> &allowed()
{
    static const QHash<QString, QSet<QString>> table = [] {
        QHash<QString, QSet<QString>> read;
        for (const QStringList &row : TestSupport::caseTable(u"sessions/layers.tsv"_s).rows) {
            const QStringList below = row.at(1).split(u' ', Qt::SkipEmptyParts);
            read.insert(row.at(0), QSet<QString>(below.begin(), below.end()));
        }
        return read;
    }();
    return table;
}

// Folders of the tree that are not layers: tests, the benchmark, build output and the like.
bool isOutsideLayers(const QString &folder)
{
    static const QSet<QString> outside{u"tests"_s, u"bench"_s, u"docs"_s, u"pool"_s, u"resources"_s, u"scripts"_s,
        u"packaging"_s, u".ci"_s, u".git"_s};
    return outside.contains(folder) || folder.startsWith(u"build"_s) || folder.startsWith(u'.');
}
} // namespace

QStringList tst_layers::violations(const QString &root)
{
    static const QRegularExpression include(uR"re(^\s*#\s*include\s*"([^"]+)")re"_s);
    QStringList found;
    const QDir top(root);
    for (const QString &folder : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (isOutsideLayers(folder))
            continue;
        if (!allowed().contains(folder)) {
            found << u"%1/: a folder that is in no layer"_s.arg(folder);
            continue;
        }
        QSet<QString> mayUse = allowed().value(folder);
        mayUse << folder;
        QDirIterator it(top.filePath(folder), {u"*.h"_s, u"*.cpp"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                found << u"%1: cannot be read"_s.arg(top.relativeFilePath(path));
                continue;
            }
            int line = 0;
            while (!file.atEnd()) {
                ++line;
                const QRegularExpressionMatch m = include.match(QString::fromUtf8(file.readLine()));
                if (!m.hasMatch())
                    continue;
                const QString target = m.captured(1);
                const qsizetype slash = target.indexOf(u'/');
                // A bare name is a header of the file's own folder, or one the build generates.
                const QString layer = slash < 0 ? folder : target.left(slash);
                if (slash < 0 && target == u"VersionInfo.h"_s && folder != u"shell"_s)
                    found << u"%1:%2: includes the shell's generated %3"_s.arg(top.relativeFilePath(path))
                                 .arg(line)
                                 .arg(target);
                else if (!mayUse.contains(layer))
                    found << u"%1:%2: includes \"%3\" of a layer above or beside %4/"_s.arg(top.relativeFilePath(path))
                                 .arg(line)
                                 .arg(target, folder);
            }
        }
    }
    return found;
}

void tst_layers::noFileIncludesUpOrSideways()
{
    const QString root = qEnvironmentVariableIsSet("VESK_SOURCE_DIR") ? qEnvironmentVariable("VESK_SOURCE_DIR")
                                                                      : QFINDTESTDATA("../shell/frmMain.h");
    QVERIFY2(!root.isEmpty(), "the source tree was not found; set VESK_SOURCE_DIR");
    const QString top = root.endsWith(u".h"_s) ? QFileInfo(root).absoluteDir().filePath(u".."_s) : root;
    const QStringList found = violations(QDir::cleanPath(top));
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void tst_layers::aWrongWayIncludeIsFound_data()
{
    TestSupport::addCases(u"sessions/layers-wrong-way.tsv"_s);
}

void tst_layers::aWrongWayIncludeIsFound()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QFileInfo(file).path()));
    QFile out(dir.filePath(file));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();
    const QStringList found = violations(dir.path());
    QCOMPARE(found, expected.isEmpty() ? QStringList() : QStringList{expected});
}

void tst_layers::guiLibrariesOnlyWhereWindowsAre_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("linksGui");
    QTest::newRow("vesk-buildpool") << QStringLiteral(VESK_BUILDPOOL) << false;
    // The program itself does: this row shows that the check reads the links it means to.
    QTest::newRow("vesk") << QStringLiteral(VESK_PROGRAM) << true;
}

// A command-line tool links Qt Core and the program's core libraries, never Qt Gui or Widgets.
void tst_layers::guiLibrariesOnlyWhereWindowsAre()
{
    QFETCH(QString, program);
    QFETCH(bool, linksGui);
    QProcess ldd;
    ldd.start(u"ldd"_s, {program});
    QVERIFY(ldd.waitForFinished(60000));
    const QString links = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    QVERIFY2(links.contains(u"libQt6Core"_s), qPrintable(links));
    for (const QString &gui : {u"libQt6Gui"_s, u"libQt6Widgets"_s})
        QVERIFY2(links.contains(gui) == linksGui, qPrintable(program + u": "_s + links));
}

QTEST_GUILESS_MAIN(tst_layers)
#include "tst_layers.moc"
