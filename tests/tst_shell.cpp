#include <QTest>

class tst_shell final : public QObject
{
    Q_OBJECT

private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
