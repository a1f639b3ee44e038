#include <QTest>

class tst_connection final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
