#include <QTest>

class tst_poolbuilder final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_poolbuilder)
#include "tst_poolbuilder.moc"
