// The artwork of the table, painted by the program at any device pixel ratio so it
// stays crisp on high-density screens. Sizes below are in logical pixels.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

class QPainter;
class QRect;
class QWidget;

namespace art {

// Die colours 1..4 as the table paints them.
QColor dieColour(int colour);

// One layer of `imagelist_dice` (48 x 48, transparent where not painted):
// 0 the wild face "W", 1..10 the numerals, 11..14 the coloured die body of colours
// 1..4 (each with its own small corner shape, so colours can be told apart without
// seeing colour), 15 the dark frame of a held die.
QPixmap diceLayer(int index, qreal dpr = 1.0);
// A whole die: body of `colour` (none for 0), face `value`, frame when held.
QPixmap die(int value, int colour, bool held, qreal dpr = 1.0);

// `imagelist_rolls` image n (0..3): three boxes, the first n crossed (66 x 22).
QPixmap rolls(int n, qreal dpr = 1.0);

QPixmap scoreSheet(qreal dpr = 1.0);      // 168 x 179 printed sheet of a player slot
QPixmap turnHighlight(qreal dpr = 1.0);   // 171 x 181 lime frame behind the current slot
QPixmap winnerBanner(qreal dpr = 1.0);    // 210 x 43 "WINNER"
QPixmap topBanner(qreal dpr = 1.0);       // 682 x 129 behind the dice row
QPixmap phaseExample(int phase, qreal dpr = 1.0); // 151 x 16; 0 is blank
QPixmap logo(qreal dpr = 1.0);            // 155 x 22 small logo on the table
QPixmap aboutLogo(qreal dpr = 1.0);       // 243 x 66 logo of the about window
QPixmap eyes(qreal dpr = 1.0);            // 24 x 14 "just watching" eyes
QPixmap backgroundTile(qreal dpr = 1.0);  // seamless tile painted behind every window

enum class ButtonKind { Roll, AllDone, Start };
enum class ButtonState { Normal, Hover, Pressed };
// 128 x 36 (Roll, AllDone) or 154 x 36 (Start), reading ROLL DICE, ALL DONE, START GAME.
QPixmap button(ButtonKind kind, ButtonState state, qreal dpr = 1.0);
// 25 x 19 small green phrase button labelled "P1".."P10".
QPixmap phraseButton(int k, ButtonState state, qreal dpr = 1.0);

// Fills `rect` of a widget with the tiled background over the brown base colour.
void paintTiledBackground(QPainter& painter, const QRect& rect);

QIcon appIcon();
// Paints the application icon into a `size` x `size` square at the painter's origin:
// below 48 a single die that stays legible, from 48 up two tilted dice. The icon
// renderer paints the scalable icon with it.
void paintAppIcon(QPainter& painter, int size);

} // namespace art
