#include <QTest>

class tst_recordset final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_recordset)
#include "tst_recordset.moc"
