// The table window's sound effects: nine short built-in sounds played on
// request, one at a time, never blocking the interface.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

class QSoundEffect;

class Sounds : public QObject {
    Q_OBJECT
public:
    explicit Sounds(QObject* parent = nullptr);
    ~Sounds() override;

    // The names `playsounds` accepts: "dice", "select", "unset", "turn", "turnnew",
    // "gotpoints", "nopoints", "winner", "entered".
    static const QStringList& names();
    static bool isKnown(const QString& name);
    // Where the built-in sound lives ("qrc:/sounds/NAME.wav"); valid for every known name.
    static QUrl sourceOf(const QString& name);
    // The same resource as a path for QFile (":/sounds/NAME.wav").
    static QString resourcePath(const QString& name);

    // Starts the named sound and returns at once. A new sound cuts off the one still
    // playing. Does nothing when sounds are off or the name is unknown. Without an
    // audio output, or once a sound failed to load, the request is accepted but
    // stays silent.
    void playsounds(const QString& name);

    // The Play Sounds option; on when created.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }

    // The name of the last accepted request; empty before the first.
    QString lastPlayed() const { return m_lastPlayed; }

signals:
    // Emitted for every accepted request, whether or not a device makes it heard.
    void played(const QString& name);

private:
    QSoundEffect* effectFor(const QString& name);
    void noteFailure(const QString& name);

    bool m_enabled = true;
    QString m_lastPlayed;
    // Made on first play of each name, so start-up and silent machines pay nothing.
    QHash<QString, QSoundEffect*> m_effects;
    QSet<QString> m_failed;
    QPointer<QSoundEffect> m_current;
    bool m_warned = false;
};
