#include <QTest>

class tst_questionpool final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_questionpool)
#include "tst_questionpool.moc"
