// The File menu's "Host a Network Game…" and "Join a Network Game…" dialog. It asks
// for the player's name (and, to join, the host's address), remembers both in the
// settings file, and starts the program again with the parameters the game lobby
// would pass. The table closes itself on launched(), so the new copy can take over.
#pragma once

#include "protocol/requests.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class HoverButton;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;

class NetDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Host, Join };
    // Starts `program` with `arguments`, detached; false when it could not be started.
    using ProcessStarter =
        std::function<bool(const QString& program, const QStringList& arguments)>;

    static constexpr int kMaxNameLength = wire::kMaxNameLength; // what the host keeps

    // `settingsPath` is the settings file; `fallbackName` fills the name box when no
    // name was remembered yet. `program` is what the starter is asked to run.
    NetDialog(Mode mode, const QString& settingsPath, const QString& fallbackName,
              const QString& program, ProcessStarter starter, QWidget* parent = nullptr);

    // The command line for the new start: name, "127.0.0.1", "true" to host; name,
    // address, "join" to join, the address carrying `port` when one is given
    // ("[2001:db8::5]:7800"). The texts are taken as checkInput passed them.
    static QStringList launchArguments(Mode mode, const QString& name, const QString& address,
                                       const QString& port = {});
    // The name last used in this dialog, as the settings file at `settingsPath` keeps it
    // (empty when there is none); a link from a web page joins under it.
    static QString rememberedName(const QString& settingsPath);
    // Why the (trimmed) input cannot be used, or an empty text when it can.
    static QString checkInput(Mode mode, const QString& name, const QString& address,
                              const QString& port = {});

    Mode mode() const { return m_mode; }
    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* addressBox() const { return m_address; }   // null when hosting
    QLineEdit* portBox() const { return m_port; }         // null when hosting
    QCheckBox* openPortBox() const { return m_openPort; } // null when joining
    QLabel* problemLabel() const { return m_problem; }
    HoverButton* startButton() const { return m_start; }

signals:
    // The new copy was started; the caller closes this one.
    void launched();

public slots:
    void button_startClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void loadRemembered(const QString& fallbackName);
    void buildAddressBoxes(QGridLayout* grid, int row);
    void remember(const QString& name, const QString& address, const QString& port) const;
    void showProblem(const QString& text);

    Mode m_mode;
    QString m_settingsPath;
    QString m_program;
    ProcessStarter m_starter;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_port = nullptr;
    QCheckBox* m_openPort = nullptr;
    bool m_openPortSaved = false; // the box's state as the settings file had it
    QLabel* m_problem = nullptr;
    HoverButton* m_start = nullptr;
};
