#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "PgServer.h"

using namespace Qt::StringLiterals;

// The test server itself: made, reached through psql and through an ODBC data source, stopped and
// started again with its committed data.
class tst_pgserver final : public QObject
{
    Q_OBJECT

private slots:
    void serverAndDataSource()
    {
        PgServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        QCOMPARE(server.scalar(u"SHOW server_version_num"_s).left(2), u"15"_s);
        QVERIFY2(server.psql(u"CREATE DATABASE classroom"_s), qPrintable(server.error()));
        QVERIFY(server.psql(u"CREATE ROLE ann LOGIN PASSWORD 'ann-pw'"_s));
        QVERIFY(server.psql(u"CREATE TABLE kept (v integer); INSERT INTO kept VALUES (7)"_s, nullptr, u"classroom"_s));
        // A wrong password is refused on the socket too.
        QVERIFY(!server.psql(u"SELECT 1"_s, nullptr, u"classroom"_s, u"ann"_s, u"wrong"_s));
        QString who;
        QVERIFY(server.psql(u"SELECT current_user"_s, &who, u"classroom"_s, u"ann"_s, u"ann-pw"_s));
        QCOMPARE(who.trimmed(), u"ann"_s);

        server.addDsn(u"Classroom"_s, u"classroom"_s, u"ann"_s, u"ann-pw"_s);
        const QString isql = QStandardPaths::findExecutable(u"isql"_s);
        QVERIFY2(!isql.isEmpty(), "isql (package unixodbc) is needed");
        QProcess client;
        client.start(isql, {u"-b"_s, u"Classroom"_s});
        QVERIFY(client.waitForStarted());
        client.write("SELECT 40 + 2\n");
        client.closeWriteChannel();
        QVERIFY(client.waitForFinished(30000));
        QVERIFY2(client.readAllStandardOutput().contains("42"), client.readAllStandardError().constData());

        QVERIFY(server.stop() && !server.isRunning());
        QVERIFY(!server.psql(u"SELECT 1"_s));
        QVERIFY(server.start());
        QCOMPARE(server.scalar(u"SELECT v FROM kept"_s, u"classroom"_s), u"7"_s);
    }
};

QTEST_GUILESS_MAIN(tst_pgserver)
#include "tst_pgserver.moc"
