// A still of the whole 684 x 538 board put together from the artwork, to check that the
// pictures line up with the places the table gives its controls.
#pragma once

#include <QImage>

QImage renderBoardMock(qreal dpr);
