#include "startup/linkstart.h"

#include "client/netdialog.h"
#include "net/joinlink.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace linkstart {

std::optional<Plan> plan(const QString& link, const QString& settingsPath) {
    const auto target = joinlink::parse(link);
    if (!target) return std::nullopt;
    Plan p{*target, {}};
    const QString where = hostport::join(target->host, target->port);
    const QString name = NetDialog::rememberedName(settingsPath).trimmed();
    // A saved name the dialog would refuse is asked for again, as the dialog asks.
    if (NetDialog::checkInput(NetDialog::Mode::Join, name, where).isEmpty())
        p.arguments = NetDialog::launchArguments(NetDialog::Mode::Join, name, where);
    return p;
}

QString refusal(const QString& link) {
    // Control characters would break the box's lines; a page may send anything.
    QString shown;
    for (const QChar c : link.left(120))
        shown += c.isPrint() ? c : QChar(u'?');
    if (link.size() > 120) shown += QChar(0x2026);
    return QCoreApplication::translate(
               "main", "Vimbrel cannot open the link \"%1\": it does not name a table. A link to "
                       "a table reads vimbrel://join/ followed by the host's address, such as "
                       "vimbrel://join/192.0.2.5:7772 or vimbrel://join/[2001:db8::5]:7772.")
        .arg(shown);
}

QString alreadyRunning(const hostport::HostPort& target) {
    return QCoreApplication::translate(
               "main", "Vimbrel is already open. To join the table at %1, close it and open "
                       "the link again, or choose File > Join a Network Game.")
        .arg(hostport::join(target.host, target.port));
}

NetDialog* askName(const hostport::HostPort& target, const QString& settingsPath,
                   std::function<void(const QStringList&)> start) {
    // The dialog's "start again" is this start going on: nothing runs but this game.
    auto starter = [start = std::move(start)](const QString&, const QStringList& args) {
        start(args);
        return true;
    };
    auto* dialog = new NetDialog(NetDialog::Mode::Join, settingsPath, QString(),
                                 QCoreApplication::applicationFilePath(), std::move(starter));
    dialog->addressBox()->setText(target.host);
    dialog->portBox()->setText(target.port ? QString::number(target.port) : QString());
    dialog->nameBox()->setFocus();
    return dialog;
}

} // namespace linkstart
