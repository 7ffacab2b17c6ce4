#include "support/fixture.h"
#include <QTest>
class Smoke : public QObject
{
    Q_OBJECT private slots : void starts()
    {
        auto w = makeMainWindow();
        QVERIFY(w);
    }
};
QTEST_MAIN(Smoke)
#include "tst_smoke.moc"
