#include <QImage>
#include <QtTest>

#include "SessionCases.h"
#include "TestSupport.h"
#include "VersionInfo.h"

using namespace Qt::StringLiterals;

// Installs the build as a package would (DESTDIR, prefix /usr) into a temporary folder, checks
// what a desktop sees of it, and runs the installed program in a home folder of its own.
class tst_install final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_appId = qEnvironmentVariable("VESK_APP_ID");

    QString root() const { return m_dir.filePath(u"root"_s); }
    QString installed(const QString &relative) const { return root() + u"/usr/"_s + relative; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString cmake = qEnvironmentVariable("VESK_CMAKE"), build = qEnvironmentVariable("VESK_BUILD_DIR");
        QVERIFY2(!m_appId.isEmpty() && !cmake.isEmpty() && !build.isEmpty(),
            "VESK_APP_ID, VESK_CMAKE and VESK_BUILD_DIR are set by CTest");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, root());
        const TestSupport::Run install
            = TestSupport::run(cmake, {u"--install"_s, build, u"--prefix"_s, u"/usr"_s}, environment);
        QVERIFY2(install.status == 0, qPrintable(install.out + install.err));
    }

    void everyFileInPlace()
    {
        QCOMPARE(TestSupport::filesUnder(root()), TestSupport::installedFiles(m_appId));

        for (const QString &program : {u"bin/vesk"_s, u"bin/vesk-buildpool"_s})
            QVERIFY2(QFileInfo(installed(program)).isExecutable(), qPrintable(program));
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QCOMPARE(QImage(installed(u"share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(m_appId))).size(),
                QSize(size, size));
        // The pristine database is the one the build made from the shipped pool: questions, no exams.
        const QString pristine = installed(u"share/vesk/Exam.mdb"_s);
        QFile shipped(pristine), built(qEnvironmentVariable("VESK_BUILD_DIR") + u"/pristine/Exam.mdb"_s);
        QVERIFY(shipped.open(QIODevice::ReadOnly) && built.open(QIODevice::ReadOnly));
        QVERIFY(shipped.readAll() == built.readAll());
        QVERIFY(TestSupport::scalar(pristine, u"SELECT COUNT(*) FROM Q_A"_s).toInt() > 0);
        QCOMPARE(TestSupport::scalar(pristine, u"SELECT COUNT(*) FROM ExamTitle"_s).toInt(), 0);
    }

    void desktopFilesValidate_data() { TestSupport::addCases(u"sessions/install-validators.tsv"_s); }
    void desktopFilesValidate()
    {
        QFETCH(QString, validator);
        QStringList arguments = SessionCases::text("arguments").split(u'\n');
        const QString program = QStandardPaths::findExecutable(validator);
        QVERIFY2(!program.isEmpty(), qPrintable(validator + u" is missing: scripts/setup.sh installs it"_s));
        arguments.last() = installed(arguments.last().arg(m_appId));
        const TestSupport::Run check = TestSupport::run(program, arguments);
        QVERIFY2(check.status == 0, qPrintable(check.out + check.err));
    }

    void commandLine_data() { TestSupport::addCases(u"sessions/install-command-line.tsv"_s); }
    void commandLine()
    {
        auto [arguments, output, error] = SessionCases::texts("arguments", "output", "error");
        const int status = SessionCases::number("status");
        const QString prefix = root() + u"/usr"_s;
        QTemporaryDir home;
        output.replace(u"VERSION"_s, QLatin1String(VersionInfo::Version)).replace(u"~"_s, home.path());
        // A home of its own, whose system data folders hold nothing: only the installed copy beside
        // the program can be found. No display is needed to be told of a mistake, or for help.
        TestSupport::pointHomeAt(home.path());
        QVERIFY(QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        if (status == 0 && arguments.contains(u"--check-start"_s))
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        else
            environment.remove(u"QT_QPA_PLATFORM"_s);
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        const TestSupport::Run run
            = TestSupport::run(installed(u"bin/vesk"_s), arguments.replace(u'@', prefix).split(u'\n'), environment);
        QCOMPARE(run.status, status);
        QVERIFY2(output.isEmpty() ? run.out.isEmpty() : run.out.startsWith(output.replace(u"@"_s, prefix)),
            qPrintable(run.out));
        if (status != 0)
            QCOMPARE(run.err, error.replace(u"@"_s, prefix));
    }
};

QTEST_MAIN(tst_install)
#include "tst_install.moc"
