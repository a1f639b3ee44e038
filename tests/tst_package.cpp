#include <QtTest>

#include "TestSupport.h"
#include "VersionInfo.h"

using namespace Qt::StringLiterals;

// Builds the Debian package with CPack, and checks what it holds, what it says of itself and
// what lintian makes of it.
class tst_package final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_deb;

    static QString tool(const QString &name)
    {
        const QString program = QStandardPaths::findExecutable(name);
        if (program.isEmpty())
            qWarning("%s is missing: scripts/setup.sh installs it", qPrintable(name));
        return program;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString cpack = qEnvironmentVariable("VESK_CPACK"), build = qEnvironmentVariable("VESK_BUILD_DIR");
        QVERIFY2(!cpack.isEmpty() && !build.isEmpty(), "VESK_CPACK and VESK_BUILD_DIR are set by CTest");
        const TestSupport::Run pack = TestSupport::run(cpack,
            {u"-G"_s, u"DEB"_s, u"--config"_s, build + u"/CPackConfig.cmake"_s, u"-B"_s, m_dir.path()},
            QProcessEnvironment::systemEnvironment(), -1);
        QVERIFY2(pack.status == 0, qPrintable(pack.out + pack.err));
        const QStringList debs = QDir(m_dir.path()).entryList({u"vesk_*.deb"_s}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_deb = m_dir.filePath(debs.first());
    }

    void holdsTheInstalledFiles()
    {
        const QString root = m_dir.filePath(u"extracted"_s);
        const TestSupport::Run extract = TestSupport::run(tool(u"dpkg-deb"_s), {u"-x"_s, m_deb, root});
        QVERIFY2(extract.status == 0, qPrintable(extract.err));
        QCOMPARE(TestSupport::filesUnder(root), TestSupport::installedFiles(qEnvironmentVariable("VESK_APP_ID")));
        // Stripped: the debugging information stays in the build.
        const TestSupport::Run kind = TestSupport::run(tool(u"file"_s), {root + u"/usr/bin/vesk"_s});
        QVERIFY2(kind.out.contains(u", stripped"_s), qPrintable(kind.out));
    }

    void control_data() { TestSupport::addCases(u"sessions/package-control.tsv"_s); }
    void control()
    {
        QFETCH(QString, pattern);
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        const QString value = TestSupport::run(tool(u"dpkg-deb"_s), {u"--field"_s, m_deb, name}).out.trimmed();
        pattern.replace(u"VERSION"_s, QRegularExpression::escape(QLatin1String(VersionInfo::Version)));
        QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(), qPrintable(name + u": "_s + value));
    }

    // No errors and no warnings; the informational tags left are listed in packaging/CMakeLists.txt.
    void lintianIsContent()
    {
        const QString lintian = tool(u"lintian"_s);
        QVERIFY(!lintian.isEmpty());
        const TestSupport::Run check = TestSupport::run(lintian, {m_deb}, QProcessEnvironment::systemEnvironment(), -1);
        const QStringList complaints = check.out.split(u'\n').filter(QRegularExpression(u"^[EW]: "_s));
        QVERIFY2(check.status == 0 && complaints.isEmpty(), qPrintable(check.out + check.err));
    }
};

QTEST_MAIN(tst_package)
#include "tst_package.moc"
