// Build-time helper: writes the program's icon as the files a desktop's icon theme
// expects, <folder>/<n>x<n>/<name>.png and, for the size "scalable",
// <folder>/scalable/<name>.svg, so the installed icon is the one the windows show.
#include "widgets/art.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QSvgGenerator>
#include <QTextStream>

namespace {

// The scalable icon is the large design drawn as vectors on a 256 x 256 canvas.
constexpr int kScalableCanvas = 256;

bool writeSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kScalableCanvas, kScalableCanvas));
    svg.setViewBox(QRect(0, 0, kScalableCanvas, kScalableCanvas));
    svg.setTitle(QStringLiteral("Vimbrel"));
    svg.setDescription(QStringLiteral("Two dice of the game Vimbrel"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    art::paintAppIcon(painter, kScalableCanvas);
    return painter.end();
}

bool writePng(const QString& path, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    art::paintAppIcon(painter, size);
    painter.end();
    return image.save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "usage: vimbrel_iconrender FOLDER NAME SIZE|scalable...\n";
        return 2;
    }
    const QString name = args[2];
    for (qsizetype i = 3; i < args.size(); ++i) {
        if (args[i] == QLatin1String("scalable")) {
            const QString dir = QDir(args[1]).filePath(QStringLiteral("scalable"));
            if (!QDir().mkpath(dir) || !writeSvg(QDir(dir).filePath(name + QStringLiteral(".svg"))))
                return 1;
            continue;
        }
        bool ok = false;
        const int size = args[i].toInt(&ok);
        const QString dir = QDir(args[1]).filePath(QStringLiteral("%1x%1").arg(size));
        if (!ok || size <= 0 || !QDir().mkpath(dir) ||
            !writePng(QDir(dir).filePath(name + QStringLiteral(".png")), size))
            return 1;
    }
    return 0;
}
