#include "client/netdialog.h"

#include "client/chatform.h"
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

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setVerticalSpacing(8);
    grid->addWidget(whiteLabel(hosting ? tr("Host a Network Game") : tr("Join a Network Game"),
                               this, QStringLiteral("font-size: 15px; color: #8ff505;")),
                    0, 0, 1, 2);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edit_name"));
    m_name->setMaxLength(kMaxNameLength);
    QLabel* nameLabel = whiteLabel(tr("Your name:"), this);
    nameLabel->setBuddy(m_name); // the box's accessible name
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(m_name, 1, 1);
    if (!hosting) {
        m_address = new QLineEdit(this);
        m_address->setObjectName(QStringLiteral("edit_address"));
        m_address->setPlaceholderText(tr("name, IPv4 or IPv6 address"));
        m_address->setToolTip(tr("The host's name, or its address: IPv4 such as 192.168.1.20, "
                                 "or IPv6 such as 2001:db8::5 (brackets optional)."));
        QLabel* addressLabel = whiteLabel(tr("Host's address:"), this);
        addressLabel->setBuddy(m_address);
        grid->addWidget(addressLabel, 2, 0);
        grid->addWidget(m_address, 2, 1);
        connect(m_address, &QLineEdit::returnPressed, this, &NetDialog::button_startClick);
    }
    connect(m_name, &QLineEdit::returnPressed, this, &NetDialog::button_startClick);
    if (hosting) {
        m_openPort = new QCheckBox(tr("Open the port on my router"), this);
        m_openPort->setObjectName(QStringLiteral("check_openport"));
        // A selector, so that the box's tooltip keeps its own dark text.
        m_openPort->setStyleSheet(QStringLiteral("QCheckBox { color: white; }"));
        m_openPort->setToolTip(tr("Asks your home router to forward TCP port 7772 to this computer "
                                  "while you host, so players on the internet can join."));
        grid->addWidget(m_openPort, 2, 0, 1, 2);
    }

    auto* note = new QLabel(
        hosting ? tr("Other players join you at this computer's address, IPv4 or IPv6; they "
                     "need TCP port 7772 open to reach it. This table closes and opens again "
                     "as the host.")
                : tr("This table closes and opens again, seated at the host's table."),
        this);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral(".QLabel { color: #f0e0b0; font-style: italic; }"));
    grid->addWidget(note, 3, 0, 1, 2);
    m_problem = whiteLabel(QString(), this, QStringLiteral("color: #ffb39e;"));
    m_problem->setObjectName(QStringLiteral("label_problem"));
    m_problem->setWordWrap(true);
    m_problem->hide();
    grid->addWidget(m_problem, 4, 0, 1, 2);

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
    grid->addLayout(buttons, 5, 0, 1, 2);
    setFixedWidth(360);

    loadRemembered(fallbackName);
}

QStringList NetDialog::launchArguments(Mode mode, const QString& name, const QString& address) {
    // The host's own client always connects to itself, whatever the lobby passes.
    if (mode == Mode::Host) return {name, QStringLiteral("127.0.0.1"), QStringLiteral("true")};
    return {name, address, QStringLiteral("join")};
}

QString NetDialog::checkInput(Mode mode, const QString& name, const QString& address) {
    if (name.trimmed().isEmpty()) return tr("Please enter your name.");
    // "+" separates the fields of every message and "|" a chat line from its colour.
    if (name.contains(QLatin1Char('+')) || name.contains(QLatin1Char('|')))
        return tr("Your name cannot contain \"+\" or \"|\".");
    if (mode == Mode::Host) return {};
    const QString a = address.trimmed();
    if (a.isEmpty()) return tr("Please enter the host's address.");
    for (const QChar c : a)
        if (c.isSpace()) return tr("The host's address cannot contain spaces.");
    return {};
}

void NetDialog::button_startClick() {
    const QString name = m_name->text().trimmed();
    const QString address = m_address ? m_address->text().trimmed() : QString();
    if (const QString why = checkInput(m_mode, name, address); !why.isEmpty()) {
        showProblem(why);
        const bool nameAtFault = !checkInput(Mode::Host, name, {}).isEmpty();
        (nameAtFault ? m_name : m_address)->setFocus();
        return;
    }
    remember(name, address);
    if (!m_starter || !m_starter(m_program, launchArguments(m_mode, name, address))) {
        showProblem(tr("Vimbrel could not be started again. This table stays open."));
        return;
    }
    accept();
    emit launched();
}

void NetDialog::loadRemembered(const QString& fallbackName) {
    IniFile ini(m_settingsPath);
    ini.load();
    const QString name = ini.readString(Tchat::programName(), kNameKey);
    m_name->setText(name.isEmpty() ? fallbackName : name.left(kMaxNameLength));
    if (m_address) m_address->setText(ini.readString(Tchat::programName(), kAddressKey));
    m_openPortSaved = ini.readString(Tchat::programName(), kOpenPortKey) == QLatin1String("true");
    if (m_openPort) m_openPort->setChecked(m_openPortSaved);
    m_name->selectAll();
}

void NetDialog::remember(const QString& name, const QString& address) const {
    IniFile ini(m_settingsPath);
    // A file we cannot read is not rewritten from nothing: the lobby's sections live there too.
    if (!ini.load()) return;
    ini.writeString(Tchat::programName(), kNameKey, name);
    // Hosting needs no address; the one last joined stays for next time.
    if (m_mode == Mode::Join) ini.writeString(Tchat::programName(), kAddressKey, address);
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
