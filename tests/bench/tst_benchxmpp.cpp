// The bare XMPP guest of the lobby benchmarks: a log-in whose answers arrive cut at any
// byte must still go through its steps in order, a refusal must stop it, and a change's
// marker cut between two reads must still be seen. A guest that missed either would
// leave the fan-out figures counting nothing.
#include "xmppraw.h"

#include <QTest>

using bench::xmpp::Step;

namespace {

// What ejabberd answers a guest, step by step (quotes as it writes them).
const std::string kFeatures = "<?xml version='1.0'?><stream:stream id='1' version='1.0'><stream:"
                              "features><mechanisms xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>"
                              "<mechanism>ANONYMOUS</mechanism></mechanisms></stream:features>";
const std::string kSuccess = "<success xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>";
const std::string kBound = "<iq type='result' id='bind1'><bind xmlns='urn:ietf:params:xml:ns:"
                           "xmpp-bind'><jid>1@guest.d/2</jid></bind></iq>";
const std::string kOthers = "<presence from='r@conference.d/g1'><x xmlns='http://jabber.org/"
                            "protocol/muc#user'><item role='participant'/></x></presence>";
const std::string kSelf = "<presence from='r@conference.d/g2'><x xmlns='http://jabber.org/"
                          "protocol/muc#user'><item role='participant'/><status code='110'/>"
                          "</x></presence>";

// Feeds `answer` in pieces of `cut` bytes and returns the steps passed, in order.
std::vector<Step> walk(const std::string& answer, std::size_t cut) {
    std::vector<Step> passed;
    Step step = Step::Features;
    std::string in;
    const Step order[] = {Step::Features, Step::Auth,    Step::Features2,
                          Step::Bound,    Step::Joining, Step::InRoom};
    for (std::size_t at = 0; at < answer.size() && step != Step::InRoom; at += cut) {
        in += answer.substr(at, cut);
        for (;;) {
            bool failed = false;
            const std::size_t end = bench::xmpp::stepDone(step, in, failed);
            if (failed) return passed;
            if (end == std::string::npos) break;
            in.erase(0, end);
            passed.push_back(step);
            step = order[int(passed.size())];
            if (step == Step::InRoom) break;
        }
    }
    return passed;
}

} // namespace

class TestBenchXmpp : public QObject {
    Q_OBJECT
private slots:
    void logInGoesThroughItsStepsHoweverTheAnswerIsCut();
    void refusalsStopTheLogIn();
    void markerCutBetweenReadsIsSeen();
};

void TestBenchXmpp::logInGoesThroughItsStepsHoweverTheAnswerIsCut() {
    const std::string answer = kFeatures + kSuccess + kFeatures + kBound + kOthers + kSelf;
    const std::vector<Step> all = {Step::Features, Step::Auth, Step::Features2, Step::Bound,
                                   Step::Joining};
    for (std::size_t cut : {std::size_t(1), std::size_t(7), std::size_t(64), answer.size()})
        QVERIFY2(walk(answer, cut) == all, qPrintable(QString::number(cut)));
    // Another occupant's presence alone does not make us a member.
    QCOMPARE(walk(kFeatures + kSuccess + kFeatures + kBound + kOthers, 5).size(), std::size_t(4));
}

void TestBenchXmpp::refusalsStopTheLogIn() {
    const std::string noAuth = "<failure xmlns='urn:ietf:params:xml:ns:xmpp-sasl'><not-authorized/>"
                               "</failure>";
    QCOMPARE(walk(kFeatures + noAuth, 3).size(), std::size_t(1));
    const std::string full = "<presence from='r@conference.d/g2' type='error'><error type='wait'>"
                             "<service-unavailable/></error></presence>";
    QCOMPARE(walk(kFeatures + kSuccess + kFeatures + kBound + full, 11).size(), std::size_t(4));
}

void TestBenchXmpp::markerCutBetweenReadsIsSeen() {
    const std::string change = "<message type='groupchat'><tables xmlns='urn:zumvek:vimbrel:"
                               "lobby:1' seq='4'><table key='t1' name='bench12' seats='1'/>"
                               "</tables></message>";
    for (std::size_t cut = 1; cut < change.size(); ++cut) {
        std::string tail = bench::xmpp::tailOf("<presence/>");
        const std::string first = tail + change.substr(0, cut);
        bool seen = bench::xmpp::hasValue(first, "bench12");
        tail = bench::xmpp::tailOf(first);
        seen = seen || bench::xmpp::hasValue(tail + change.substr(cut), "bench12");
        QVERIFY2(seen, qPrintable(QString::number(cut)));
    }
    // bench1 is not bench12: the quote ends the value.
    QVERIFY(!bench::xmpp::hasValue(change, "bench1"));
    QVERIFY(bench::xmpp::hasValue("name=\"bench1\"", "bench1"));
}

QTEST_GUILESS_MAIN(TestBenchXmpp)
#include "tst_benchxmpp.moc"
