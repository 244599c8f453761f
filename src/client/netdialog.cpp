#include "client/netdialog.h"

#include "client/chatform.h"
#include "net/hostport.h"
#include "settings/inifile.h"
#include "widgets/art.h"
#include "widgets/hoverbutton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

const QString kNameKey = QStringLiteral("Lastname");
const QString kAddressKey = QStringLiteral("Lastaddress");
const QString kPortKey = QStringLiteral("Lastport");
// Shared with the table's Options menu.
const QString kOpenPortKey = QStringLiteral("Openport");

QLabel* whiteLabel(const QString& text, QWidget* parent, const QString& extraStyle = {}) {
    auto* label = new QLabel(text, parent);
    // ".QLabel": this label alone, not its tooltip (a QLabel too), which stays dark on light.
    label->setStyleSheet(QStringLiteral(".QLabel { color: white; font-weight: bold; ") +
                         extraStyle + QStringLiteral(" }"));
    return label;
}

} // namespace

NetDialog::NetDialog(Mode mode, const QString& settingsPath, const QString& fallbackName,
                     const QString& program, ProcessStarter starter, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_mode(mode),
      m_settingsPath(settingsPath), m_program(program), m_starter(std::move(starter)) {
    const bool hosting = mode == Mode::Host;
    setObjectName(QStringLiteral("NetDialog"));
    setWindowTitle(hosting ? tr("Vimbrel - Host a Network Game")
                           : tr("Vimbrel - Join a Network Game"));

    // Labels above their boxes: the German ones are too long to stand beside them.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(0, 1);
    grid->addWidget(whiteLabel(hosting ? tr("Host a Network Game") : tr("Join a Network Game"),
                               this, QStringLiteral("font-size: 15px; color: #8ff505;")),
                    0, 0, 1, 2);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edit_name"));
    m_name->setMaxLength(kMaxNameLength);
    QLabel* nameLabel = whiteLabel(tr("Your name:"), this);
    nameLabel->setBuddy(m_name); // the box's accessible name
    grid->addWidget(nameLabel, 1, 0, 1, 2);
    grid->addWidget(m_name, 2, 0, 1, 2);
    connect(m_name, &QLineEdit::returnPressed, this, &NetDialog::button_startClick);
    if (hosting) {
        m_openPort = new QCheckBox(tr("Open the port on my router"), this);
        m_openPort->setObjectName(QStringLiteral("check_openport"));
        // A selector, so that the box's tooltip keeps its own dark text.
        m_openPort->setStyleSheet(QStringLiteral("QCheckBox { color: white; }"));
        m_openPort->setToolTip(tr("Asks your home router to forward TCP port 7772 to this computer "
                                  "while you host, so players on the internet can join."));
        grid->addWidget(m_openPort, 3, 0, 1, 2);
    } else {
        buildAddressBoxes(grid, 3);
    }

    auto* note = new QLabel(
        hosting ? tr("Other players join you at this computer's address, IPv4 or IPv6; they "
                     "need TCP port 7772 open to reach it. This table closes and opens again "
                     "as the host.")
                : tr("This table closes and opens again, seated at the host's table."),
        this);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral(".QLabel { color: #f0e0b0; font-style: italic; }"));
    grid->addWidget(note, 5, 0, 1, 2);
    m_problem = whiteLabel(QString(), this, QStringLiteral("color: #ffb39e;"));
    m_problem->setObjectName(QStringLiteral("label_problem"));
    m_problem->setWordWrap(true);
    m_problem->hide();
    grid->addWidget(m_problem, 6, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    m_start = new HoverButton(hosting ? tr("Host Game") : tr("Join Game"), this);
    m_start->setObjectName(QStringLiteral("button_start"));
    auto* cancel = new HoverButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("button_cancel"));
    connect(m_start, &HoverButton::clicked, this, &NetDialog::button_startClick);
    connect(cancel, &HoverButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 7, 0, 1, 2);
    setFixedWidth(360);

    loadRemembered(fallbackName);
}

// The address box and, beside it, the port box, with their labels in `row`.
void NetDialog::buildAddressBoxes(QGridLayout* grid, int row) {
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("edit_address"));
    m_address->setPlaceholderText(tr("name or IP address"));
    m_address->setToolTip(tr("The host's name, or its address: IPv4 such as 192.168.1.20, "
                             "or IPv6 such as 2001:db8::5 (brackets optional)."));
    QLabel* addressLabel = whiteLabel(tr("Host's address:"), this);
    addressLabel->setBuddy(m_address);
    m_port = new QLineEdit(this);
    m_port->setObjectName(QStringLiteral("edit_port"));
    m_port->setMaxLength(5);
    m_port->setFixedWidth(64);
    m_port->setPlaceholderText(QStringLiteral("7772"));
    m_port->setToolTip(tr("The host's TCP port; empty for the usual 7772."));
    QLabel* portLabel = whiteLabel(tr("Port:"), this);
    portLabel->setBuddy(m_port);
    grid->addWidget(addressLabel, row, 0);
    grid->addWidget(portLabel, row, 1);
    grid->addWidget(m_address, row + 1, 0);
    grid->addWidget(m_port, row + 1, 1);
    connect(m_address, &QLineEdit::returnPressed, this, &NetDialog::button_startClick);
    connect(m_port, &QLineEdit::returnPressed, this, &NetDialog::button_startClick);
}

QStringList NetDialog::launchArguments(Mode mode, const QString& name, const QString& address,
                                       const QString& port) {
    // The host's own client always connects to itself, whatever the lobby passes.
    if (mode == Mode::Host) return {name, QStringLiteral("127.0.0.1"), QStringLiteral("true")};
    const auto target = hostport::split(address);
    const quint16 p = port.trimmed().toUShort();
    // The port box adds its port to the address the way the command line takes it.
    const QString where = target && p ? hostport::join(target->host, p) : address;
    return {name, where, QStringLiteral("join")};
}

QString NetDialog::checkInput(Mode mode, const QString& name, const QString& address,
                              const QString& port) {
    if (name.trimmed().isEmpty()) return tr("Please enter your name.");
    // "+" separates the fields of every message and "|" a chat line from its colour.
    if (name.contains(QLatin1Char('+')) || name.contains(QLatin1Char('|')))
        return tr("Your name cannot contain \"+\" or \"|\".");
    if (mode == Mode::Host) return {};
    const QString a = address.trimmed();
    if (a.isEmpty()) return tr("Please enter the host's address.");
    for (const QChar c : a)
        if (c.isSpace()) return tr("The host's address cannot contain spaces.");
    const auto target = hostport::split(a);
    if (!target)
        return tr("\"%1\" is not an address. Give a host name, an IPv4 or an IPv6 address; a "
                  "port goes in the Port box.")
            .arg(a);
    const QString p = port.trimmed();
    if (p.isEmpty()) return {};
    const auto given = hostport::split(QStringLiteral("h:") + p);
    if (!given) return tr("The port is a number from 1 to 65535.");
    if (target->port && target->port != given->port)
        return tr("The address names port %1 and the Port box %2: give one of them.")
            .arg(target->port)
            .arg(given->port);
    return {};
}

void NetDialog::button_startClick() {
    const QString name = m_name->text().trimmed();
    const QString address = m_address ? m_address->text().trimmed() : QString();
    const QString port = m_port ? m_port->text().trimmed() : QString();
    if (const QString why = checkInput(m_mode, name, address, port); !why.isEmpty()) {
        showProblem(why);
        const bool nameAtFault = !checkInput(Mode::Host, name, {}, {}).isEmpty();
        const bool addressAtFault = !checkInput(m_mode, name, address, {}).isEmpty();
        (nameAtFault ? m_name : addressAtFault ? m_address : m_port)->setFocus();
        return;
    }
    remember(name, address, port);
    if (!m_starter || !m_starter(m_program, launchArguments(m_mode, name, address, port))) {
        showProblem(tr("Vimbrel could not be started again. This table stays open."));
        return;
    }
    accept();
    emit launched();
}

QString NetDialog::rememberedName(const QString& settingsPath) {
    IniFile ini(settingsPath);
    ini.load();
    return ini.readString(Tchat::programName(), kNameKey).left(kMaxNameLength);
}

void NetDialog::loadRemembered(const QString& fallbackName) {
    IniFile ini(m_settingsPath);
    ini.load();
    const QString name = rememberedName(m_settingsPath);
    m_name->setText(name.isEmpty() ? fallbackName : name);
    if (m_address) m_address->setText(ini.readString(Tchat::programName(), kAddressKey));
    if (m_port) m_port->setText(ini.readString(Tchat::programName(), kPortKey));
    m_openPortSaved = ini.readString(Tchat::programName(), kOpenPortKey) == QLatin1String("true");
    if (m_openPort) m_openPort->setChecked(m_openPortSaved);
    m_name->selectAll();
}

void NetDialog::remember(const QString& name, const QString& address, const QString& port) const {
    IniFile ini(m_settingsPath);
    // A file we cannot read is not rewritten from nothing: the lobby's sections live there too.
    if (!ini.load()) return;
    ini.writeString(Tchat::programName(), kNameKey, name);
    // Hosting needs no address; the one last joined stays for next time.
    if (m_mode == Mode::Join) {
        ini.writeString(Tchat::programName(), kAddressKey, address);
        ini.writeString(Tchat::programName(), kPortKey, port);
    }
    // Written only when the player changed it: off is what no saved choice means.
    if (m_openPort && m_openPort->isChecked() != m_openPortSaved)
        ini.writeString(Tchat::programName(), kOpenPortKey,
                        m_openPort->isChecked() ? QStringLiteral("true") : QStringLiteral("false"));
    ini.save();
}

void NetDialog::showProblem(const QString& text) {
    m_problem->setText(text);
    m_problem->show();
    adjustSize();
}

void NetDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    art::paintTiledBackground(p, rect());
}
