// Saves the tally at `path` again and again through the store's own save path, one
// more game counted each time, and reports each finished save as "saved N" on
// standard output. tst_tallykill kills it at random moments.
#include "tally/tallystore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    TallyStore store;
    if (store.load(path).status == TallyStore::LoadStatus::Failed) return 3;
    // Enough opponents that a save takes a while and a kill often lands inside one.
    for (int i = store.opponentCount(); i < 400; ++i)
        store.addrow(QStringLiteral("Opponent %1").arg(i));
    for (;;) {
        const int games = store.addit(tallycol::kGames, 0);
        QString error;
        if (!store.save(path, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("saved %d\n", games);
        std::fflush(stdout);
    }
}
