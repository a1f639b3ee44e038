#include <QTest>

class tst_review final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_review)
#include "tst_review.moc"
