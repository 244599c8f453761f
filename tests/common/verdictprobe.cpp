// A Qt Test program that passes, skips or fails as its command line picks, for the
// check of what run_isolated.sh tells ctest.
#include <QtTest>

class VerdictProbe : public QObject {
    Q_OBJECT
private slots:
    void passes() { QVERIFY(true); }
    void skips() { QSKIP("asked to skip"); }
    void fails() { QFAIL("asked to fail"); }
};

QTEST_APPLESS_MAIN(VerdictProbe)
#include "verdictprobe.moc"
