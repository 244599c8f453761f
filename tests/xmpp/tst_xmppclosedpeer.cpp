// libstrophe writes with plain send(): without the client's care, a server that closed
// first (after an in-band registration, on a restart) would end the whole lobby program,
// bot or host with SIGPIPE. The write must fail instead and the program go on.
#include "xmpp/client.h"

#include <QTest>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

class TestXmppClosedPeer : public QObject {
    Q_OBJECT
private slots:
    void writeToAClosedPeerFailsWithoutEndingTheProgram();
};

void TestXmppClosedPeer::writeToAClosedPeerFailsWithoutEndingTheProgram() {
    xmpp::Client client; // a program that speaks XMPP has one
    int pair[2];
    QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    // As the library writes: no MSG_NOSIGNAL.
    const ssize_t n = ::send(pair[0], "</stream:stream>", 16, 0);
    const int error = errno;
    close(pair[0]);
    QCOMPARE(n, ssize_t(-1));
    QCOMPARE(error, EPIPE);
}

QTEST_GUILESS_MAIN(TestXmppClosedPeer)
#include "tst_xmppclosedpeer.moc"
