// Buttons, logos, the watching eyes and the application icon.
#include "art.h"
#include "artpaint.h"

#include <QCoreApplication>
#include <QPainter>
#include <QtMath>

using namespace art::detail;

namespace art {

namespace {

constexpr QSize kWideButton(154, 36);
constexpr QSize kButton(128, 36);
constexpr QSize kPhraseSize(25, 19);
constexpr QSize kLogoSize(155, 22);
constexpr QSize kAboutLogoSize(243, 66);
constexpr QSize kEyesSize(24, 14);

QColor buttonColour(ButtonKind kind) {
    switch (kind) {
    case ButtonKind::Roll:
        return QColor(200, 56, 34);
    case ButtonKind::AllDone:
        return QColor(34, 138, 62);
    case ButtonKind::Start:
        return QColor(226, 144, 18);
    }
    return QColor(120, 120, 120);
}

QString buttonText(ButtonKind kind) {
    switch (kind) {
    case ButtonKind::Roll:
        return QCoreApplication::translate("art", "ROLL DICE");
    case ButtonKind::AllDone:
        return QCoreApplication::translate("art", "ALL DONE");
    case ButtonKind::Start:
        return QCoreApplication::translate("art", "START GAME");
    }
    return {};
}

QColor stateColour(const QColor& base, ButtonState state) {
    switch (state) {
    case ButtonState::Hover:
        return base.lighter(122);
    case ButtonState::Pressed:
        return base.darker(118);
    case ButtonState::Normal:
        break;
    }
    return base;
}

// The small glyph left of a button's words.
void paintButtonGlyph(QPainter& p, ButtonKind kind, const QRectF& box) {
    const QColor ink(255, 255, 255);
    const QColor dark(0, 0, 0, 120);
    switch (kind) {
    case ButtonKind::Roll: {
        p.save();
        p.translate(box.center());
        p.rotate(-14);
        const QRectF d(-box.width() / 2, -box.height() / 2, box.width(), box.height());
        p.setPen(QPen(dark, 1.4));
        p.setBrush(ink);
        p.drawRoundedRect(d, 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 30, 30));
        const qreal q = d.width() / 4;
        for (const QPointF pip : {QPointF(-q, -q), QPointF(0, 0), QPointF(q, q)})
            p.drawEllipse(pip, 1.5, 1.5);
        p.restore();
        break;
    }
    case ButtonKind::AllDone: {
        QPainterPath tick;
        tick.moveTo(box.left() + 1, box.center().y());
        tick.lineTo(box.left() + box.width() * 0.4, box.bottom() - 2);
        tick.lineTo(box.right() - 1, box.top() + 2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(dark, 4.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick.translated(0, 0.8));
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
        break;
    }
    case ButtonKind::Start: {
        QPainterPath play;
        play.moveTo(box.left() + 2, box.top() + 1);
        play.lineTo(box.right() - 1, box.center().y());
        play.lineTo(box.left() + 2, box.bottom() - 1);
        play.closeSubpath();
        drawOutlinedText(p, play, ink, dark, 0.8, QPointF(0, 0.8));
        break;
    }
    }
}

// A glossy pill. `content` paints the label; it is shifted down when pressed.
void paintPill(QPainter& p, const QRectF& body, const QColor& base, ButtonState state, qreal radius,
               const std::function<void()>& content) {
    QPainterPath shape;
    shape.addRoundedRect(body, radius, radius);
    if (state != ButtonState::Pressed)
        drawSoftShadow(p, shape, 1.5, QPointF(0, 1.5), QColor(0, 0, 0, 150));
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, base.lighter(145));
    g.setColorAt(0.48, base);
    g.setColorAt(0.52, base.darker(110));
    g.setColorAt(1, base.darker(135));
    p.fillPath(shape, g);
    QPainterPath gloss;
    gloss.addRoundedRect(body.adjusted(2, 1.5, -2, -body.height() / 2), radius - 1.5, radius - 1.5);
    QLinearGradient gg(body.topLeft(), QPointF(body.left(), body.center().y()));
    gg.setColorAt(0, QColor(255, 255, 255, state == ButtonState::Pressed ? 40 : 95));
    gg.setColorAt(1, QColor(255, 255, 255, 10));
    p.fillPath(gloss, gg);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(base.darker(220), 1));
    p.drawPath(shape);
    p.save();
    if (state == ButtonState::Pressed) p.translate(0, 1);
    content();
    p.restore();
}

void paintButton(QPainter& p, ButtonKind kind, ButtonState state, QSize size) {
    const QRectF body(1.5, 1.5, size.width() - 3, size.height() - 5);
    const QColor base = stateColour(buttonColour(kind), state);
    paintPill(p, body, base, state, 9, [&] {
        const QRectF glyph(body.left() + 11, body.center().y() - 7, 14, 14);
        paintButtonGlyph(p, kind, glyph);
        const QRectF words(glyph.right() + 6, body.top() + 8, body.right() - glyph.right() - 16,
                           body.height() - 16);
        const QPainterPath text = fittedText(buttonText(kind), sansFont(15, true), words);
        const QColor fill = state == ButtonState::Hover ? QColor(255, 255, 230) : Qt::white;
        drawOutlinedText(p, text, fill, base.darker(250), 1.0, QPointF(0, 1.2));
    });
}

void paintPhrase(QPainter& p, int k, ButtonState state) {
    const QRectF body(0.5, 0.5, kPhraseSize.width() - 1, kPhraseSize.height() - 2);
    const QColor base = stateColour(QColor(38, 140, 52), state);
    paintPill(p, body, base, state, 4, [&] {
        const QPainterPath text = fittedText(QStringLiteral("P%1").arg(k), sansFont(10, true),
                                             body.adjusted(3, 4, -3, -4));
        drawOutlinedText(p, text, Qt::white, base.darker(260), 0.6, QPointF(0, 0.6));
    });
}

// A small tilted die for the logos and the icon.
void paintTiltedDie(QPainter& p, const QPointF& centre, qreal size, qreal angle, int colour,
                    int value) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(-size / 2, -size / 2, size, size);
    QPainterPath s;
    s.addRoundedRect(r, dieCornerRadius(r), dieCornerRadius(r));
    drawSoftShadow(p, s, size * 0.06, QPointF(size * 0.03, size * 0.06), QColor(0, 0, 0, 150));
    paintDieBody(p, r, colour);
    paintDieFace(p, r, value);
    p.restore();
}

QLinearGradient goldGradient(const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(255, 244, 186));
    g.setColorAt(0.45, QColor(255, 206, 64));
    g.setColorAt(0.55, QColor(236, 168, 28));
    g.setColorAt(1, QColor(196, 120, 10));
    return g;
}

void paintLogo(QPainter& p) {
    paintTiltedDie(p, QPointF(10.5, 11), 15, -12, 1, 7);
    paintTiltedDie(p, QPointF(24, 11.5), 15, 10, 2, 0);
    const QRectF words(36, 1, 116, 20);
    const QPainterPath text =
        fittedText(QStringLiteral("Vimbrel"), serifFont(19, true, true), words, Qt::AlignLeft);
    drawOutlinedText(p, text, goldGradient(text.boundingRect()), QColor(50, 22, 4), 1.1,
                     QPointF(0.5, 1.2), QColor(0, 0, 0, 140));
}

QString aboutTagline() {
    return QCoreApplication::translate("art", "A GAME OF TEN DICE");
}

void paintAboutLogo(QPainter& p) {
    paintTiltedDie(p, QPointF(26, 26), 30, -16, 1, 7);
    paintTiltedDie(p, QPointF(48, 39), 30, 9, 2, 0);
    paintTiltedDie(p, QPointF(24, 50), 24, 24, 4, 3);
    const QRectF words(70, 3, 170, 44);
    const QPainterPath text =
        fittedText(QStringLiteral("Vimbrel"), serifFont(44, true, true), words);
    drawOutlinedText(p, text, goldGradient(text.boundingRect()), QColor(50, 22, 4), 1.8,
                     QPointF(1, 2.2), QColor(0, 0, 0, 150));
    const QPainterPath tag =
        fittedText(aboutTagline(), sansFont(10, true), QRectF(78, 51, 156, 11));
    drawOutlinedText(p, tag, QColor(250, 236, 200), QColor(40, 18, 4, 200), 0.8, QPointF(0, 1));
}

void paintEyes(QPainter& p) {
    for (const qreal cx : {6.5, 17.5}) {
        const QRectF ball(cx - 5.5, 1, 11, 12);
        QRadialGradient g(ball.center() - QPointF(1.5, 2), 8);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, QColor(200, 200, 210));
        p.setPen(QPen(QColor(30, 20, 10), 1));
        p.setBrush(g);
        p.drawEllipse(ball);
        // Glancing sideways, as a spectator does.
        const QPointF pupil(cx + 2, 7.8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 160));
        p.drawEllipse(pupil, 3, 3);
        p.setBrush(QColor(10, 10, 14));
        p.drawEllipse(pupil, 1.7, 1.7);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(pupil + QPointF(-1, -1.1), 0.8, 0.8);
    }
}

QPixmap iconPixmap(int size) {
    QPixmap pm = blankPixmap(QSize(size, size), 1.0);
    QPainter p(&pm);
    paintAppIcon(p, size);
    return pm;
}

} // namespace

void paintAppIcon(QPainter& p, int size) {
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const qreal s = size;
    if (size < 48) {
        const QRectF r(0.5, 0.5, s - 1, s - 1);
        paintDieBody(p, r, 2);
        paintDieFace(p, r.adjusted(-s * 0.08, -s * 0.08, s * 0.08, s * 0.08), 0);
        return;
    }
    paintTiltedDie(p, QPointF(s * 0.36, s * 0.36), s * 0.56, -14, 1, 7);
    paintTiltedDie(p, QPointF(s * 0.62, s * 0.62), s * 0.56, 8, 2, 0);
}

QPixmap button(ButtonKind kind, ButtonState state, qreal dpr) {
    const QSize size = kind == ButtonKind::Start ? kWideButton : kButton;
    // The words are in the key: a translator installed later gets pictures of its own.
    const QString key =
        QStringLiteral("button/%1/%2/").arg(int(kind)).arg(int(state)) + buttonText(kind);
    return cached(key, size, dpr, [=](QPainter& p) { paintButton(p, kind, state, size); });
}

QPixmap phraseButton(int k, ButtonState state, qreal dpr) {
    const QString key = QStringLiteral("phrase/%1/%2").arg(k).arg(int(state));
    return cached(key, kPhraseSize, dpr, [=](QPainter& p) { paintPhrase(p, k, state); });
}

QPixmap logo(qreal dpr) {
    return cached(QStringLiteral("logo"), kLogoSize, dpr, paintLogo);
}

QPixmap aboutLogo(qreal dpr) {
    return cached(QStringLiteral("aboutlogo/") + aboutTagline(), kAboutLogoSize, dpr,
                  paintAboutLogo);
}

QPixmap eyes(qreal dpr) {
    return cached(QStringLiteral("eyes"), kEyesSize, dpr, paintEyes);
}

QIcon appIcon() {
    static QIcon icon;
    if (icon.isNull()) {
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            icon.addPixmap(iconPixmap(size));
    }
    return icon;
}

} // namespace art
