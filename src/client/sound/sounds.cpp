#include "client/sound/sounds.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

// The sounds live in a static library, whose resource initialiser the linker would
// otherwise drop; registered once, from the global namespace as Qt requires.
static void registerSoundResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(sounds);
        return true;
    }();
    Q_UNUSED(registered);
}

Sounds::Sounds(QObject* parent) : QObject(parent) {
    registerSoundResources();
}

Sounds::~Sounds() = default;

const QStringList& Sounds::names() {
    static const QStringList list = {"dice",      "select",   "unset",  "turn",   "turnnew",
                                     "gotpoints", "nopoints", "winner", "entered"};
    return list;
}

bool Sounds::isKnown(const QString& name) {
    return names().contains(name);
}

QUrl Sounds::sourceOf(const QString& name) {
    registerSoundResources();
    return QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(name));
}

QString Sounds::resourcePath(const QString& name) {
    registerSoundResources();
    return QStringLiteral(":/sounds/%1.wav").arg(name);
}

void Sounds::playsounds(const QString& name) {
    if (!m_enabled || !isKnown(name)) return;
    m_lastPlayed = name;
    emit played(name);

    // A machine without sound output stays silent; Qt would complain on every play.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QSoundEffect* effect = effectFor(name);
    if (!effect) return;
    if (m_current && m_current != effect) m_current->stop();
    if (effect->audioDevice() != device) effect->setAudioDevice(device);
    effect->stop(); // asked again while still playing: start over
    effect->play();
    m_current = effect;
}

void Sounds::setEnabled(bool on) {
    m_enabled = on;
    if (!on && m_current) m_current->stop();
}

QSoundEffect* Sounds::effectFor(const QString& name) {
    if (m_failed.contains(name)) return nullptr;
    if (QSoundEffect* existing = m_effects.value(name)) return existing;
    auto* effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::statusChanged, this, [this, effect, name] {
        if (effect->status() == QSoundEffect::Error) noteFailure(name);
    });
    effect->setSource(sourceOf(name));
    m_effects.insert(name, effect);
    return effect;
}

void Sounds::noteFailure(const QString& name) {
    m_failed.insert(name);
    // Called from the effect's own signal, so it must not be deleted here.
    if (QSoundEffect* effect = m_effects.take(name)) effect->deleteLater();
    if (m_warned) return;
    m_warned = true;
    qWarning("Sound \"%s\" cannot be played; it stays silent from now on.", qPrintable(name));
}
