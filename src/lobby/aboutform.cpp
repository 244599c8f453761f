#include "lobby/aboutform.h"

#include "lobby/lobbystyle.h"
#include "widgets/art.h"
#include "widgets/artpicture.h"
#include "widgets/hoverbutton.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

const char kMakerAddress[] = "www.zumvek.com";
const char kMaker[] = "Zumvek Software";
constexpr QSize kClientSize(304, 174);

QLabel* centredLabel(const QString& text, int top, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, top, kClientSize.width(), 18);
    return label;
}

} // namespace

Tabout::Tabout(QWidget* tableWindow) : QDialog(tableWindow) {
    setWindowTitle(tr("Vimbrel - About"));
    setFixedSize(kClientSize);
    setStyleSheet(lobbystyle::windowSheet());

    // Painted at whatever screen the box opens on, and again if it is moved to another.
    auto* logo = new ArtPicture(this, [](qreal dpr) { return art::aboutLogo(dpr); });
    logo->setObjectName(QStringLiteral("image_aboutlogo"));
    logo->setAccessibleName(tr("Vimbrel by Zumvek Software"));
    logo->setGeometry((kClientSize.width() - 243) / 2, 10, 243, 66);

    URL1.setURL(QString::fromLatin1(kMakerAddress));
    URL1.setURLType(URLType::utHttp);
    Label7 = centredLabel(QString::fromLatin1(kMakerAddress), 82, this);
    Label7->setObjectName(QStringLiteral("link"));
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setToolTip(URL1.fullAddress());
    // Only the text itself is the link, not the whole width of the line.
    Label7->setGeometry((kClientSize.width() - 140) / 2, 82, 140, 18);
    Label7->installEventFilter(this);
    centredLabel(tr("Programmed by: %1").arg(QLatin1String(kMaker)), 102, this);

    auto* versionCaption = new QLabel(tr("Version"), this);
    version = new QLabel(QString::fromLatin1(kVersion), this);
    version->setObjectName(QStringLiteral("version"));
    auto* release = new QLabel(QString::fromLatin1(kRelease), this);
    int left = 14;
    for (QLabel* part : {versionCaption, version, release}) {
        part->adjustSize();
        part->move(left, 142);
        left += part->width() + (part == versionCaption ? 4 : 0);
    }

    button_done = new HoverButton(tr("Done"), this);
    button_done->setGeometry(kClientSize.width() - 89, 136, 75, 26);
    connect(button_done, &HoverButton::clicked, this, &Tabout::Button1Click);
}

QString Tabout::versionText() const {
    return version->text();
}

void Tabout::Label7Click() {
    URL1.open();
}

void Tabout::Button1Click() {
    close();
}

bool Tabout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label7 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label7Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tabout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    art::paintTiledBackground(painter, rect());
}
