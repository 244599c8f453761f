// Building the board: every control at its place, with its name, look and start state.
#include "client/board/board.h"

#include "client/board/boardimages.h"
#include "widgets/art.h"
#include "widgets/elidedlabel.h"
#include "widgets/picturebutton.h"
#include "widgets/plainlabel.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <chrono>
#include <random>

namespace {

constexpr QColor kWhite(255, 255, 255);
constexpr QColor kBlack(0, 0, 0);
constexpr QColor kDarkGreen(0, 100, 0);
constexpr QColor kGreen(0, 128, 0);
constexpr QColor kLime(143, 245, 5);

// Player slots, seats 1..4 from left to right.
constexpr std::array kSlotLeft{4, 173, 342, 511};
constexpr std::array kNameLeft{13, 182, 351, 520};
// The name strip; the eyes sit at its right end.
constexpr int kNameWidth = 125;
constexpr int kEyesOffset = 94;
constexpr std::array kBonusLeft{134, 304, 472, 641};
constexpr std::array kTotalLeft{85, 254, 422, 592};
constexpr std::array kLeftColumn{48, 217, 386, 555};
constexpr std::array kRightColumn{129, 298, 467, 637};
constexpr std::array kRowTop{187, 206, 224, 243, 263};
constexpr int kBonusRowTop = 285;
constexpr int kSlotTop = 151;
constexpr QSize kCellSize(36, 18);

constexpr std::array kExampleTop{26, 43, 60, 78, 95, 112, 129, 147, 164, 181};
const std::array<const char*, 10> kPhaseTexts{
    QT_TRANSLATE_NOOP("Board", "PH1: Two SETS of 3"),
    QT_TRANSLATE_NOOP("Board", "PH2: SET of 3 and RUN of 3"),
    QT_TRANSLATE_NOOP("Board", "PH3: SET of 4 and RUN of 4"),
    QT_TRANSLATE_NOOP("Board", "PH4: RUN of 7"),
    QT_TRANSLATE_NOOP("Board", "PH5: RUN of 8"),
    QT_TRANSLATE_NOOP("Board", "PH6: RUN of 9"),
    QT_TRANSLATE_NOOP("Board", "PH7: Two SETS of 4"),
    QT_TRANSLATE_NOOP("Board", "PH8: Seven of one COLOR"),
    QT_TRANSLATE_NOOP("Board", "PH9: SET of 5 and SET of 2"),
    QT_TRANSLATE_NOOP("Board", "PH10: SET of 5 and SET of 3")};

// Narrow faces for the texts that must fit tight boxes (the phase list, "+221").
void useNarrowFont(QLabel* label) {
    QFont f = label->font();
    f.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                   QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
    label->setFont(f);
}

// The dark glass panel that holds the phase list.
class PhasePanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        p.fillPath(path, QColor(20, 12, 6, 170));
        p.setPen(QPen(QColor(143, 245, 5, 110), 1));
        p.drawPath(path);
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawLine(QPointF(8, 23.5), QPointF(width() - 8, 23.5));
    }
};

Board::RandomSource clockSeededSource() {
    auto engine = std::make_shared<std::mt19937>(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    return
        [engine](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(*engine); };
}

} // namespace

Board::Board(TableSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_random(clockSeededSource()) {
    setObjectName(QStringLiteral("board"));
    setFixedSize(kWidth, kHeight);
    // Clicking anywhere on the table (or tabbing to it) hands it the keys for play.
    setFocusPolicy(Qt::StrongFocus);
    for (int k = 0; k < kDice; ++k)
        m_order[k] = k + 1;
    m_dicetimer.setObjectName(QStringLiteral("dicetimer"));
    m_dicetimer.setInterval(kShuffleIntervalMs);
    connect(&m_dicetimer, &QTimer::timeout, this, &Board::dicetimerTimer);

    // Creation order is stacking order: the highlight sits behind the slots, the
    // winner banner above the dice.
    buildSlots();
    buildTray();
    buildLines();
    buildButtons();
    buildPhaseList();
    m_winnerBanner = new ArtImage(this, [](qreal dpr) { return art::winnerBanner(dpr); });
    m_winnerBanner->setObjectName(QStringLiteral("image_winner"));
    m_winnerBanner->setGeometry(238, 38, 210, 43);
    m_winnerBanner->hide();
    m_winner = addLabel(QStringLiteral("label_winner"), QRect(65, 73, 552, 24), 19, true, kWhite,
                        Qt::AlignHCenter | Qt::AlignTop);
    m_winner->hide();
    nameControls();
    orderTabs();
    clearall();
    observeSession();
}

Board::~Board() = default;

void Board::observeSession() {
    const TableSession* s = &m_session;
    connect(s, &TableSession::diceCreated, this, &Board::createdice);
    connect(s, &TableSession::gameStarted, this, &Board::startthegame);
    connect(s, &TableSession::nextPlayer, this, &Board::getnextplayer);
    connect(s, &TableSession::scored, this, &Board::scores);
    connect(s, &TableSession::notScored, this, &Board::noscore);
    connect(s, &TableSession::markedOff, this, &Board::markoff);
    connect(s, &TableSession::statsLoaded, this, &Board::loadstats);
    connect(s, &TableSession::pscoresLoaded, this, &Board::loadpscores);
    connect(s, &TableSession::gameWon, this, &Board::winner);
    connect(s, &TableSession::seatNamed, this, &Board::setPlayerName);
    connect(s, &TableSession::scoreShown, this, [this](int seat) { setScoreVisible(seat, true); });
    connect(s, &TableSession::eyesShown, this, &Board::setEyesVisible);
    connect(s, &TableSession::ownSeatChangedHands, this, &Board::ownSeatChangedHands);
    // A dedicated host's powers: the start button shows between games.
    connect(s, &TableSession::hostPowersGained, this,
            [this] { setStartVisible(state().turnSeat == 0); });
}

QString Board::phaseListText(int phase) {
    return (phase >= 1 && phase <= kDice) ? tr(kPhaseTexts[phase - 1]) : QString();
}

QLabel* Board::addLabel(const QString& name, const QRect& geometry, int pixelSize, bool bold,
                        const QColor& colour, Qt::Alignment align, QWidget* parent) {
    // Names and texts that do not fit end in an ellipsis, never cut mid-letter.
    auto* label = new ElidedLabel(parent ? parent : this);
    label->setObjectName(name);
    label->setGeometry(geometry);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setAlignment((align & Qt::AlignVertical_Mask) ? align : align | Qt::AlignVCenter);
    return label;
}

void Board::buildSlots() {
    m_turn = new ArtImage(this, [](qreal dpr) { return art::turnHighlight(dpr); });
    m_turn->setObjectName(QStringLiteral("image_Turn"));
    m_turn->setGeometry(kNameLeft[0] - 10, kSlotTop - 1, 171, 181);
    m_turn->hide();
    for (int s = 0; s < kSeats; ++s) {
        const QString seat = QString::number(s + 1);
        m_slots[s] = new ArtImage(this, [](qreal dpr) { return art::scoreSheet(dpr); });
        m_slots[s]->setObjectName(QStringLiteral("image_slot") + seat);
        m_slots[s]->setGeometry(kSlotLeft[s], kSlotTop, 168, 179);
        m_names[s] =
            addLabel(QStringLiteral("label_playername") + seat,
                     QRect(kNameLeft[s], 158, kNameWidth, 18), 12, true, kDarkGreen, Qt::AlignLeft);
        m_names[s]->setProperty("Tag", s + 1);
        // Named for screen readers once the whole sheet exists (describeSeats).
        m_nameTexts[s] = QStringLiteral("<Waiting>");
        m_names[s]->setText(shownName(s + 1, m_nameTexts[s]));
        m_bonus[s] =
            addLabel(QStringLiteral("label_bonus") + seat, QRect(kBonusLeft[s], 158, 28, 18), 11,
                     true, kDarkGreen, Qt::AlignRight);
        useNarrowFont(m_bonus[s]);
        m_totals[s] = addLabel(QStringLiteral("label_score") + seat,
                               QRect(QPoint(kTotalLeft[s], 308), kCellSize), 12, true, kBlack,
                               Qt::AlignHCenter);
        for (int r = 0; r < kRows; ++r) {
            const bool bonusRow = r >= kPhases;
            const int left = (r < 5 || r == 10) ? kLeftColumn[s] : kRightColumn[s];
            const int top = bonusRow ? kBonusRowTop : kRowTop[r % 5];
            m_cells[s][r] = addLabel(QStringLiteral("p_") + seat + QString::number(r + 1),
                                     QRect(QPoint(left, top), kCellSize), 12, true,
                                     bonusRow ? kDarkGreen : kGreen, Qt::AlignHCenter);
        }
        // The eyes sit at the right end of the name strip, clear of the bonus label.
        m_eyes[s] = new ArtImage(this, [](qreal dpr) { return art::eyes(dpr); });
        m_eyes[s]->setObjectName(QStringLiteral("image_eyes") + seat);
        m_eyes[s]->setGeometry(kNameLeft[s] + kEyesOffset, 160, 24, 14);
        m_eyes[s]->setToolTip(tr("Just watching"));
        m_eyes[s]->hide();
    }
}

void Board::buildTray() {
    for (int n = 1; n <= kDice; ++n) {
        auto* image = new DieImage(n, this);
        image->setObjectName(QStringLiteral("image_d") + QString::number(n));
        image->move(56 * n + 11, kRestingTop);
        connect(image, &DieImage::mouseUp, this, &Board::image_d1MouseUp);
        m_dice[n - 1] = image;
    }
    addLabel(QStringLiteral("label_rolls"), QRect(576, 111, 34, 16), 12, true, kWhite,
             Qt::AlignLeft)
        ->setText(tr("Rolls"));
    m_rolls = new ArtImage(this);
    m_rolls->setObjectName(QStringLiteral("image_rolls"));
    m_rolls->setGeometry(610, 104, 66, 22);
}

void Board::buildLines() {
    m_round = addLabel(QStringLiteral("label_round"), QRect(8, 111, 160, 16), 12, true, kWhite,
                       Qt::AlignLeft);
    m_phase = addLabel(QStringLiteral("label_phase"), QRect(66, 68, 552, 18), 12, true, kWhite,
                       Qt::AlignHCenter);
    m_phase->setText(tr("Welcome to Vimbrel by Zumvek Software"));
    m_status = addLabel(QStringLiteral("label_status"), QRect(9, 130, 672, 20), 16, true, kLime,
                        Qt::AlignHCenter);
}

void Board::buildButtons() {
    m_roll = new PictureButton(art::ButtonKind::Roll, this);
    m_roll->setObjectName(QStringLiteral("button_roll"));
    m_roll->setGeometry(214, 89, 128, 36);
    connect(m_roll, &PictureButton::clicked, this, &Board::button_rollClick);
    m_allDone = new PictureButton(art::ButtonKind::AllDone, this);
    m_allDone->setObjectName(QStringLiteral("button_alldone"));
    m_allDone->setGeometry(350, 89, 128, 36);
    connect(m_allDone, &PictureButton::clicked, this, &Board::button_alldoneClick);
    m_start = new PictureButton(art::ButtonKind::Start, this);
    m_start->setObjectName(QStringLiteral("button_start"));
    m_start->setGeometry(268, 89, 154, 36);
    connect(m_start, &PictureButton::clicked, this, &Board::button_startClick);
    setRollVisible(false);
    setAllDoneVisible(false);
    setStartVisible(false);
}

void Board::buildPhaseList() {
    m_phasePanel = new PhasePanel(this);
    m_phasePanel->setObjectName(QStringLiteral("panel_phases"));
    m_phasePanel->setGeometry(502, 334, 177, 201);
    m_example = new ArtImage(m_phasePanel);
    m_example->setObjectName(QStringLiteral("image_example"));
    m_example->setGeometry(13, 5, 151, 16);
    for (int k = 0; k < kPhases; ++k) {
        m_examples[k] = addLabel(QStringLiteral("label_example") + QString::number(k + 1),
                                 QRect(8, kExampleTop[k], 165, 16), 12, false, kWhite,
                                 Qt::AlignLeft, m_phasePanel);
        m_examples[k]->setText(phaseListText(k + 1));
        useNarrowFont(m_examples[k]);
    }
}

void Board::paintEvent(QPaintEvent*) {
    QPainter p(this);
    art::paintTiledBackground(p, rect());
    const qreal dpr = devicePixelRatioF();
    if (m_banner.isNull() || !qFuzzyCompare(m_banner.devicePixelRatio(), dpr))
        m_banner = art::topBanner(dpr);
    p.drawPixmap(QPointF(1, 1), m_banner); // unscaled: 129 * 1.5 is no whole pixel count
    if (hasFocus()) {
        // A faint frame round the dice tells the player that keys now play.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(143, 245, 5, 140), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(61.5, 1.5, 564, 69), 6, 6);
    }
}

void Board::setRandomSource(RandomSource source) {
    m_random = source ? std::move(source) : clockSeededSource();
}

void Board::setPlayerName(int seat, const QString& text) {
    if (!isSeat(seat)) return;
    m_nameTexts[seat - 1] = text;
    m_names[seat - 1]->setText(shownName(seat, text));
    describeSeats();
}

QString Board::shownName(int seat, const QString& name) const {
    if (name == QLatin1String("<Waiting>")) return tr("<Waiting>");
    // The solo game's player is "You" on the wire; the label speaks the player's language.
    if (isOwnSeat(seat) && name == kSoloName)
        return tr("You", "the solo player's name on the score sheet");
    return name;
}

QString Board::playerName(int seat) const {
    return isSeat(seat) ? m_nameTexts[seat - 1] : QString();
}

void Board::setScoreVisible(int seat, bool visible) {
    if (isSeat(seat)) m_totals[seat - 1]->setVisible(visible);
}

void Board::setEyesVisible(int seat, bool visible) {
    if (!isSeat(seat)) return;
    m_eyes[seat - 1]->setVisible(visible);
    // A long name ends before the eyes rather than under them.
    m_names[seat - 1]->resize(visible ? kEyesOffset - 2 : kNameWidth, m_names[seat - 1]->height());
    describeSeats();
}

// A hidden turn button is disabled too: an assistive technology's press action must
// not reach a button the mouse cannot.
void Board::setRollVisible(bool visible) {
    if (!visible) keepFocusOnHide(m_roll);
    m_roll->setEnabled(visible);
    m_roll->setVisible(visible);
}
void Board::setAllDoneVisible(bool visible) {
    if (!visible) keepFocusOnHide(m_allDone);
    m_allDone->setEnabled(visible);
    m_allDone->setVisible(visible);
}
void Board::setStartVisible(bool visible) {
    if (!visible) keepFocusOnHide(m_start);
    m_start->setEnabled(visible);
    m_start->setVisible(visible);
}
