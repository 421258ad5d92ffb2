// The time texts of the waveform rows.
#include "TimeText.h"

#include <QtTest>
#include <cmath>

class TestTimeText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timeTexts()
    {
        QCOMPARE(timetext::clock(3725), QStringLiteral("01:02:05"));
        QCOMPARE(timetext::rows(0, 62.9), QStringLiteral("00:00:00\n00:01:02"));
        QCOMPARE(timetext::rows(-1, std::nan("")), QStringLiteral("00:00:00\n00:00:00"));
    }
};

QTEST_GUILESS_MAIN(TestTimeText)
#include "tst_timetext.moc"
