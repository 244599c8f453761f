// Chat lines, phrases, the option menus and the settings file of the table window.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "settings/inifile.h"
#include "client/phrasesform.h"
#include "client/sound/sounds.h"
#include "paths/datafolder.h"
#include "protocol/messages.h"
#include "protocol/wiretext.h"
#include "widgets/windowplace.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QColorDialog>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocumentFragment>

#include <limits>

namespace {

QAction* addItem(QMenu* menu, const QString& name, const QString& text, QObject* ctx,
                 std::function<void()> fn, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    QObject::connect(a, &QAction::triggered, ctx, [fn] { fn(); });
    return a;
}

QActionGroup* checkGroup(QObject* parent, const QList<QAction*>& items) {
    auto* g = new QActionGroup(parent);
    for (QAction* a : items) {
        a->setCheckable(true);
        g->addAction(a);
    }
    return g;
}

} // namespace

void Tchat::buildMenus() {
    buildFileMenu();
    buildOptionsMenu();
    buildViewAndHelpMenus();
    buildSeatMenu();
    setTurnSound(0);
    setBotSpeed(1000);
    setBotSkill(false);
    setTextSize(8);
}

void Tchat::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    addItem(file, "StartGame1", tr("Start Game"), this, [this] { startGame(); });
    file->addSeparator();
    addItem(file, "HostGame1", tr("Host a Network Game\u2026"), this,
            [this] { openNetworkDialog(true); });
    addItem(file, "JoinGame1", tr("Join a Network Game\u2026"), this,
            [this] { openNetworkDialog(false); });
    QAction* rejoin =
        addItem(file, "RejoinGame1", tr("Rejoin Last Game"), this, [this] { RejoinGame1Click(); });
    rejoin->setEnabled(canRejoin());
    file->addSeparator();
    addItem(file, "Exit1", tr("Exit"), this, [this] { close(); });
}

void Tchat::buildOptionsMenu() {
    QMenu* options = menuBar()->addMenu(tr("&Options"));
    QAction* jw = addItem(options, "JustWatch1", tr("Just Watch"), this, [this] {
        // The tick follows the host's answer, never the click itself.
        QAction* a = action(QStringLiteral("JustWatch1"));
        a->setChecked(!a->isChecked());
        JustWatch1Click();
    });
    jw->setCheckable(true);
    QAction* ps = addItem(options, "PlaySounds1", tr("Play Sounds"), this, [this] {
        setPlaySounds(action(QStringLiteral("PlaySounds1"))->isChecked());
        chose(QStringLiteral("Playsounds"));
        saveinifile();
    });
    ps->setCheckable(true);
    ps->setChecked(true);
    QMenu* turn = options->addMenu(tr("Turn Sound"));
    auto turnSound = [this](int which) {
        setTurnSound(which);
        chose(QStringLiteral("Turnsound"));
        saveinifile();
    };
    checkGroup(this, {addItem(turn, "Classic1", tr("Classic"), this, [turnSound] { turnSound(0); }),
                      addItem(turn, "New1", tr("New"), this, [turnSound] { turnSound(1); })});
    buildBotMenus(options);
    options->addSeparator();
    buildPreferenceItems(options);
}

// How the computer plays: its speed and its skill, told to the host when chosen.
void Tchat::buildBotMenus(QMenu* options) {
    QMenu* bot = options->addMenu(tr("Bot Speed"));
    struct Speed {
        const char* name;
        const char* text;
        int ms;
    };
    const Speed speeds[] = {{"Slow1", QT_TR_NOOP("Slow"), 2000},
                            {"Normal1", QT_TR_NOOP("Normal"), 1000},
                            {"Fast1", QT_TR_NOOP("Fast"), 500}};
    QList<QAction*> botItems;
    for (const auto& [name, text, ms] : speeds) {
        const int value = ms;
        QAction* a = addItem(bot, name, tr(text), this, [this, value] {
            setBotSpeed(value);
            m_session->botSpeed(value);
            chose(QStringLiteral("Botspeed"));
            saveinifile();
        });
        a->setData(value);
        botItems << a;
    }
    checkGroup(this, botItems);
    QMenu* skill = options->addMenu(tr("Klot's Skill"));
    auto chooseSkill = [this](bool expert) {
        setBotSkill(expert);
        m_session->botSkill(expert);
        chose(QStringLiteral("Botskill"));
        saveinifile();
    };
    checkGroup(
        this,
        {addItem(skill, "SkillNormal1", tr("Normal"), this, [chooseSkill] { chooseSkill(false); }),
         addItem(skill, "SkillExpert1", tr("Expert"), this, [chooseSkill] { chooseSkill(true); })});
}

// The chat's looks, the window's place and the router's port.
void Tchat::buildPreferenceItems(QMenu* options) {
    addItem(options, "TextColor1", tr("Text Color"), this, [this] {
        const QColor c = QColorDialog::getColor(QColor::fromRgb(wire::bgrToRgb(m_textColour)), this,
                                                tr("Text Color"));
        if (!c.isValid()) return;
        setTextColour(wire::rgbToBgr(c.rgb()));
        chose(QStringLiteral("Textcolor"));
        saveinifile();
    });
    addItem(options, "ActionColor1", tr("Action Color"), this, [this] {
        const QColor c = QColorDialog::getColor(QColor::fromRgb(wire::bgrToRgb(m_actionColour)),
                                                this, tr("Action Color"));
        if (c.isValid()) {
            setActionColour(wire::rgbToBgr(c.rgb()));
            chose(QStringLiteral("Actioncolor"));
        }
        saveinifile();
    });
    QMenu* size = options->addMenu(tr("Text Size"));
    QList<QAction*> sizeItems;
    for (int pt : {8, 10, 12, 14}) {
        QAction* a = addItem(size, QStringLiteral("TextSize%1").arg(pt), QString::number(pt), this,
                             [this, pt] {
                                 setTextSize(pt);
                                 chose(QStringLiteral("Textsize"));
                                 saveinifile();
                             });
        a->setData(pt);
        sizeItems << a;
    }
    QActionGroup* sizes = checkGroup(this, sizeItems);
    sizes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    QAction* scroll = addItem(
        options, "ScrollChatOff1", tr("Scroll Chat Off"), this,
        [this] {
            m_mainchat->setScrollChatOff(action(QStringLiteral("ScrollChatOff1"))->isChecked());
        },
        QKeySequence(Qt::CTRL | Qt::Key_S));
    scroll->setCheckable(true);
    QAction* clear = addItem(options, "ClearMainChat1", tr("Clear Main Chat"), this, [this] {
        m_mainchat->clearChat();
        m_mychat->setFocus();
    });
    addItem(options, "ResetScreenLocation1", tr("Reset Screen Location"), this,
            [this] { resetScreenLocation(); });
    options->addSeparator();
    QAction* openPort =
        addItem(options, "OpenPort1", tr("Open the Port on My Router"), this, [this] {
            m_openPort = action(QStringLiteral("OpenPort1"))->isChecked();
            chose(QStringLiteral("Openport"));
            saveinifile();
            askRouter(m_openPort);
        });
    openPort->setCheckable(true);
    buildCopyItem({clear, scroll});
}

void Tchat::buildCopyItem(const QList<QAction*>& chatItems) {
    // The chat panel's own menu shares the items. Copy belongs to the window, so its
    // key works wherever the focus is; the input box keeps the key for its own text.
    QAction* copy = new QAction(tr("Copy"), this);
    copy->setObjectName(QStringLiteral("Copy1"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, [this] { copyChatSelection(); });
    addAction(copy);
    m_mychat->setCopyFallback([this] { copyChatSelection(); });
    m_mainchat->setMenuActions(QList<QAction*>{copy} + chatItems);
}

void Tchat::buildViewAndHelpMenus() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    addItem(view, "ViewTally1", tr("View Tally"), this, [this] {
        if (m_hooks.showTally) m_hooks.showTally();
    });
    addItem(view, "SpyList1", tr("Spy List"), this, [this] { SpyList1Click(); });
    addItem(view, "PhraseList1", tr("Phrase List"), this, [this] {
        if (!m_phrases) return;
        QStringList texts;
        for (int k = 1; k <= 10; ++k)
            texts << phrase(k);
        m_phrases->edit(texts, this);
    });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    addItem(
        help, "Content1", tr("Content"), this,
        [this] {
            if (m_hooks.showHelp) m_hooks.showHelp();
        },
        QKeySequence(Qt::Key_F1));
    addItem(help, "About1", tr("About"), this, [this] {
        if (m_hooks.showAbout) m_hooks.showAbout();
    });
}

// The seat menu of the name labels.
void Tchat::buildSeatMenu() {
    auto* kick = new QMenu(this);
    kick->setObjectName(QStringLiteral("popup_kick"));
    auto menuSeat = [kick] { return kick->property("Tag").toInt(); };
    TableSession* s = m_session;
    addItem(kick, "RemoveFromGame1", tr("Remove From Game"), this,
            [s, menuSeat] { s->remove(menuSeat()); });
    addItem(kick, "SettoJustWatch1", tr("Set to Just Watch"), this,
            [s, menuSeat] { s->setJustWatch(menuSeat(), true); });
    addItem(kick, "UnsetJustWatch1", tr("Unset Just Watch"), this,
            [s, menuSeat] { s->setJustWatch(menuSeat(), false); });
    kick->addSeparator();
    addItem(kick, "IgnoreChat1", QString(), this, [s, menuSeat] { s->toggleIgnore(menuSeat()); });
    for (int seat = 1; seat <= 4; ++seat) {
        if (QWidget* label =
                m_board->findChild<QWidget*>(QStringLiteral("label_playername%1").arg(seat))) {
            label->setProperty("Tag", seat);
            label->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(label, &QWidget::customContextMenuRequested, this,
                    [this, label, seat](const QPoint& p) {
                        label_playername1ContextPopup(seat, label->mapToGlobal(p));
                    });
        }
    }
}

QString Tchat::settingsPath() const {
    return datafolder::configFile(settingsFileName());
}

void Tchat::addlinetochat(const QString& line, wire::BgrColour colour) {
    m_mainchat->addlinetochat(line, colour);
}

void Tchat::copyChatSelection() {
    // Plain text only: the panel's colours and weights are no business of the place
    // the player pastes into.
    const QString text = m_mainchat->textCursor().selection().toPlainText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void Tchat::sendit() {
    // A line the session did not send stays in the box, to be sent again.
    if (m_session->say(m_mychat->text(), m_textColour, m_actionColour)) m_mychat->clear();
}

void Tchat::b_phrase1Click(int k) {
    m_session->sayPhrase(phrase(k), m_actionColour);
}

void Tchat::setBotSpeed(int ms) {
    m_botSpeed = (ms == 2000 || ms == 500) ? ms : 1000;
    for (const char* n : {"Slow1", "Normal1", "Fast1"}) {
        QAction* a = action(QString::fromLatin1(n));
        if (a) a->setChecked(a->data().toInt() == m_botSpeed);
    }
}

void Tchat::setBotSkill(bool expert) {
    m_botExpert = expert;
    action(QStringLiteral("SkillNormal1"))->setChecked(!expert);
    action(QStringLiteral("SkillExpert1"))->setChecked(expert);
}

void Tchat::setTurnSound(int which) {
    m_turnSound = which == 1 ? 1 : 0;
    action(QStringLiteral("Classic1"))->setChecked(m_turnSound == 0);
    action(QStringLiteral("New1"))->setChecked(m_turnSound == 1);
}

void Tchat::setTextSize(int points) {
    m_mainchat->setTextSize(points);
    for (int pt : {8, 10, 12, 14})
        action(QStringLiteral("TextSize%1").arg(pt))->setChecked(pt == points);
}

void Tchat::setPlaySounds(bool on) {
    m_sounds->setEnabled(on);
    action(QStringLiteral("PlaySounds1"))->setChecked(on);
}

void Tchat::setTextColour(wire::BgrColour c) {
    m_textColour = c;
    QPalette p = m_mychat->palette();
    p.setColor(QPalette::Text, QColor::fromRgb(wire::bgrToRgb(c & 0xFFFFFF)));
    m_mychat->setPalette(p);
}

void Tchat::setActionColour(wire::BgrColour c) {
    m_actionColour = c;
}

void Tchat::resetScreenLocation() {
    windowplace::place(this, windowplace::centred(kTableSize, screen()));
    for (const char* key : {"Top", "Left", "Width", "Height"})
        chose(QString::fromLatin1(key));
}

void Tchat::warnSettingsUnreadable() {
    if (m_settingsWarned) return;
    m_settingsWarned = true;
    addlinetochat(tr("Your settings file %1 cannot be read, so your settings are not loaded, "
                     "and changes you make are not saved.")
                      .arg(QDir::toNativeSeparators(settingsPath())),
                  state().systemColour);
}

namespace {

// Our keys in the order saving writes them.
const char* const kSettingsKeys[] = {"Textsize",  "Textcolor",  "Actioncolor", "Botspeed",
                                     "Top",       "Left",       "Width",       "Height",
                                     "Turnsound", "Playsounds", "Openport",    "Botskill"};

} // namespace

void Tchat::loadinifile() {
    IniFile ini(settingsPath());
    if (!ini.load()) warnSettingsUnreadable();
    const QString s = programName();
    for (const char* key : kSettingsKeys) {
        const QString k = QString::fromLatin1(key);
        if (ini.contains(s, k)) m_settingsRead.insert(k, ini.readString(s, k));
    }
    setTextSize(ini.readInteger(s, QStringLiteral("Textsize"), 8));
    auto colour = [&](const char* key) {
        return wire::colourFromText(
                   ini.readString(s, QString::fromLatin1(key), QStringLiteral("clblack")))
            .value_or(wire::kBlack);
    };
    setTextColour(colour("Textcolor"));
    setActionColour(colour("Actioncolor"));
    const QString speed = ini.readString(s, QStringLiteral("Botspeed"));
    setBotSpeed(speed == QLatin1String("2000") ? 2000 : speed == QLatin1String("500") ? 500 : 1000);
    // The host's own player tells the computer how to play.
    const bool hostsSeat = state().ownSeat == 1;
    if (hostsSeat) m_session->botSpeed(m_botSpeed);
    setBotSkill(ini.readString(s, QStringLiteral("Botskill")) == QLatin1String("expert"));
    // A host starts at Normal: only Expert needs saying, so a Normal table's bytes are as before.
    if (hostsSeat && m_botExpert) m_session->botSkill(true);
    QStringList phrases;
    for (int k = 1; k <= 10; ++k) {
        // Kept whole: the phrase is the player's, whatever its length.
        const QString p = ini.readString(s, QStringLiteral("Phrase%1").arg(k));
        phrases << (p.isEmpty() ? phrase(k) : p);
    }
    setPhrases(phrases);
    setPlaySounds(ini.readString(s, QStringLiteral("Playsounds")) != QLatin1String("false"));
    const QRect bounds = savedBounds(ini);
    windowplace::place(this, bounds);
    m_boundsRead = bounds;
    m_boundsApplied = bounds;
    setTurnSound(ini.readString(s, QStringLiteral("Turnsound")) == QLatin1String("1") ? 1 : 0);
}

QRect Tchat::savedBounds(const IniFile& ini) const {
    const QString s = programName();
    const QSize size(ini.readInteger(s, QStringLiteral("Width"), kTableSize.width()),
                     ini.readInteger(s, QStringLiteral("Height"), kTableSize.height()));
    constexpr int kNone = std::numeric_limits<int>::min();
    const QRect bounds(ini.readInteger(s, QStringLiteral("Left"), kNone),
                       ini.readInteger(s, QStringLiteral("Top"), kNone), size.width(),
                       size.height());
    // The place the player left it, while it can still be dragged from there.
    if (bounds.left() == kNone || bounds.top() == kNone || !windowplace::reachable(bounds))
        return windowplace::centred(size, screen());
    return bounds;
}

void Tchat::readOpenPortChoice() {
    IniFile ini(settingsPath());
    // An unreadable file counts as no choice: the router is never asked unless chosen.
    if (!ini.load()) return;
    setOpenPortChosen(ini.readString(programName(), QStringLiteral("Openport")) ==
                      QLatin1String("true"));
}

void Tchat::saveinifile() {
    IniFile ini(settingsPath());
    if (!ini.load()) {
        warnSettingsUnreadable();
        return;
    }
    const QByteArray before = ini.text();
    const QRect g = windowplace::bounds(this);
    // Bounds the program did not set are the player's doing.
    if (g != m_boundsApplied)
        for (const char* key : {"Top", "Left", "Width", "Height"})
            chose(QString::fromLatin1(key));
    const QString values[] = {QString::number(m_mainchat->textSize()),
                              wire::colourToText(m_textColour),
                              wire::colourToText(m_actionColour),
                              QString::number(m_botSpeed),
                              QString::number(g.top()),
                              QString::number(g.left()),
                              QString::number(g.width()),
                              QString::number(g.height()),
                              QString::number(m_turnSound),
                              m_sounds->enabled() ? QStringLiteral("true")
                                                  : QStringLiteral("false"),
                              m_openPort ? QStringLiteral("true") : QStringLiteral("false"),
                              m_botExpert ? QStringLiteral("expert") : QStringLiteral("normal")};
    // Only what the file gave us and what the player chose: a built-in value nobody
    // chose never replaces one the player set.
    const QString s = programName();
    for (size_t i = 0; i < std::size(kSettingsKeys); ++i) {
        const QString key = QString::fromLatin1(kSettingsKeys[i]);
        if (m_settingsChosen.contains(key))
            ini.writeString(s, key, values[i]);
        else if (const auto read = m_settingsRead.constFind(key); read != m_settingsRead.constEnd())
            ini.writeString(s, key, *read);
    }
    if (ini.text() != before) ini.save();
}
