// The fuzz targets' input reader: whatever the input, it never reads past its end.
#include "fuzzinput.h"

#include <QtTest>

class TestFuzzInput : public QObject {
    Q_OBJECT
private slots:
    void lengthByteLastGivesNothing();
};

void TestFuzzInput::lengthByteLastGivesNothing() {
    // The length byte (7) is the input's last: nothing is left to take. The byte after
    // the input is a guard that must never be read.
    const uint8_t data[] = {7, 'P', 0xEE};
    fuzz::Input last(data, 1);
    QCOMPARE(last.bytes(12), QByteArray());
    QVERIFY(last.atEnd());
    fuzz::Input two(data, 2);
    QCOMPARE(two.bytes(12), QByteArray("P"));
    fuzz::Input none(data, 0);
    QCOMPARE(none.bytes(12), QByteArray());
}

QTEST_GUILESS_MAIN(TestFuzzInput)
#include "tst_fuzzinput.moc"
