#include "tally/tallylistform.h"

#include "paths/datafolder.h"
#include "text/converterror.h"
#include "widgets/plainlabel.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

using namespace tallycol;

namespace {

const QString kWaiting = QStringLiteral("<Waiting>");
constexpr int kPlayingSeats = 4;

// Programmatic check-box changes must not run the user's handlers.
class Quiet {
public:
    explicit Quiet(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~Quiet() { m_flag = m_was; }

private:
    bool& m_flag;
    bool m_was;
};

} // namespace

Ttallylist::Ttallylist(QWidget* parent, MessageSink messages)
    : QWidget(parent), m_messages(std::move(messages)) {
    setWindowTitle(tr("Vimbrel - Tally List"));
    m_confirm = [this](const QString& question) {
        return plain::ask(this, QMessageBox::Question, tr("Confirm"), question,
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    buildLayout();
    FormCreate();
}

Ttallylist::~Ttallylist() {
    FormDestroy();
}

void Ttallylist::FormCreate() {
    // Read at once and without letting any event in: nothing runs before the window
    // exists. The error box waits for the event loop, so it runs no loop of its own here.
    const QString problem = readTallyFile();
    if (!problem.isEmpty()) QTimer::singleShot(0, this, [this, problem] { report(problem); });
}

void Ttallylist::FormDestroy() {
    save();
} // errors at exit are not reported

QString Ttallylist::tallyFilePath() {
    return datafolder::dataFile(QStringLiteral("Vimbreltally.tld"));
}

void Ttallylist::load() {
    const QString problem = readTallyFile();
    if (!problem.isEmpty()) report(problem);
}

QString Ttallylist::readTallyFile() {
    const TallyStore::LoadResult result = m_store.load(tallyFilePath());
    QString text;
    if (result.status == TallyStore::LoadStatus::Failed) {
        text = result.error + QStringLiteral("\n\n");
        if (!result.keptAs.isEmpty())
            text += tr("The unreadable tally file was kept as %1.")
                        .arg(QDir::toNativeSeparators(result.keptAs));
        else
            text += tr("The unreadable tally file could not be set aside, so this "
                       "run's tally will not be saved over it.");
    }
    loadtally();
    return text;
}

bool Ttallylist::save() {
    return m_store.save(tallyFilePath());
}

void Ttallylist::report(const QString& message) {
    if (m_messages)
        m_messages(message);
    else
        plain::ask(nullptr, QMessageBox::Critical, QStringLiteral("Vimbrel"), message);
}

void Ttallylist::loadtally() {
    {
        Quiet quiet(m_quiet);
        listbox_tally->clear();
        for (int n = 1; n <= 4; ++n)
            mylabel(n)->setText(m_store.stringgrid_scores.cell(n, 0));
        for (int r = 1; r <= m_store.opponentCount(); ++r)
            addFollowed(m_store.opponent(r));
    }
    listbox_tallyClick();
    syncChecklist();
}

void Ttallylist::addFollowed(const QString& name) {
    Quiet quiet(m_quiet);
    auto* item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    listbox_tally->addItem(item);
}

int Ttallylist::listIndex(const QString& name) const {
    for (int i = 0; i < listbox_tally->count(); ++i)
        if (listbox_tally->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void Ttallylist::addtomineincrease(int column) {
    mylabel(column)->setText(QString::number(addit(column, 0)));
}

void Ttallylist::recordwinner(const QString& winnerText) {
    if (!m_seats) return;
    const TallySeats seats = m_seats();
    if (seats.ownSeat < 1 || seats.ownSeat > kPlayingSeats) return; // spectators keep no tally
    if (winnerText == seats.names[seats.ownSeat - 1])
        addgame(kAddToMine);
    else if (!winnerText.contains(QStringLiteral(" and ")))
        addgame(winnerText);
}

void Ttallylist::addgame(const QString& winnerText) {
    loadchecklist();
    QList<int> rows;
    for (int i = 0; i < checklist->count(); ++i) {
        const int index = listIndex(checklist->item(i)->text());
        if (index >= 0) rows << index + 1;
    }
    try {
        addtomineincrease(kGames);
        if (winnerText == kAddToMine) addtomineincrease(kHisWins);
        m_store.countopponents(winnerText, rows);
    } catch (const text::ConvertError& e) {
        report(e.message());
    }
    if (listbox_tally->currentRow() >= 0) listbox_tallyClick();
}

void Ttallylist::loadchecklist() {
    Quiet quiet(m_quiet);
    checklist->clear();
    if (!m_seats) return;
    const TallySeats seats = m_seats();
    for (int seat = 1; seat <= kPlayingSeats; ++seat) {
        const QString& name = seats.names[seat - 1];
        if (seat == seats.ownSeat || name == kWaiting || name.isEmpty()) continue;
        auto* item = new QListWidgetItem(name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(listIndex(name) >= 0 ? Qt::Checked : Qt::Unchecked);
        checklist->addItem(item);
    }
}

// The checklist's boxes always show who is followed.
void Ttallylist::syncChecklist() {
    Quiet quiet(m_quiet);
    for (int i = 0; i < checklist->count(); ++i) {
        QListWidgetItem* item = checklist->item(i);
        item->setCheckState(listIndex(item->text()) >= 0 ? Qt::Checked : Qt::Unchecked);
    }
}

void Ttallylist::checklistClickCheck(QListWidgetItem* item) {
    if (m_quiet || !item) return;
    // Already followed: unchecking here does not forget him (that is the other list's job).
    if (listIndex(item->text()) >= 0 || item->checkState() != Qt::Checked) {
        syncChecklist();
        return;
    }
    addFollowed(item->text());
    m_store.addrow(item->text());
}

void Ttallylist::listbox_tallyClickCheck(QListWidgetItem* item) {
    if (m_quiet || !item || item->checkState() == Qt::Checked) return;
    const QString name = item->text();
    if (!m_confirm(tr("This will delete %1's Tally, Are you want to delete it?").arg(name))) {
        Quiet quiet(m_quiet);
        item->setCheckState(Qt::Checked);
        return;
    }
    const int index = listbox_tally->row(item);
    moverow(index + 1);
    {
        Quiet quiet(m_quiet);
        delete listbox_tally->takeItem(index);
    }
    syncChecklist();
    listbox_tallyClick();
}

void Ttallylist::listbox_tallyClick() {
    const int index = listbox_tally->currentRow();
    showOpponent(index >= 0 ? index + 1 : 0);
}

// Row r's counters in label_1..8, or the blank panel for r = 0.
void Ttallylist::showOpponent(int row) {
    const QString name = row > 0 ? m_store.opponent(row) : QStringLiteral("XX");
    for (int n = 1; n <= 8; ++n)
        label(n)->setText(row > 0 ? m_store.stringgrid_scores.cell(n, row) : QStringLiteral("0"));
    label_hisname->setText(tr("%1 Wins:").arg(name));
    label_hisnametop->setText(tr("%1's Tally").arg(name));
}

void Ttallylist::button_resetClick() {
    if (!m_confirm(tr("Are you sure you want to reset the Tally?"))) return;
    m_store.clear();
    for (int n = 1; n <= 4; ++n)
        mylabel(n)->setText(QStringLiteral("0"));
    {
        Quiet quiet(m_quiet);
        listbox_tally->clear();
    }
    for (int n = 1; n <= 8; ++n)
        label(n)->setText(QStringLiteral("0"));
    syncChecklist();
}
