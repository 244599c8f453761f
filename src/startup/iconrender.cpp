// Build-time helper: writes the program's icon as the PNG files a desktop's icon
// theme expects, <folder>/<n>x<n>/vimbrel.png, so the installed icon is the one
// the windows show.
#include "widgets/art.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        QTextStream(stderr) << "usage: vimbrel_iconrender FOLDER SIZE...\n";
        return 2;
    }
    const QIcon icon = art::appIcon();
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        const QString dir = QDir(args[1]).filePath(QStringLiteral("%1x%1").arg(size));
        if (!ok || size <= 0 || !QDir().mkpath(dir)) return 1;
        const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
        if (pixmap.size() != QSize(size, size) ||
            !pixmap.save(QDir(dir).filePath(QStringLiteral("vimbrel.png"))))
            return 1;
    }
    return 0;
}
