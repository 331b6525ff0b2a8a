#pragma once

// The size of the offscreen platform's screen: the test programs start on a 1920×1080 one, as
// the plants' monitors are.

#include <QSize>

namespace testscreen {

// The screen's size: TABEL_TEST_SCREEN ("1366x768") when set, else the given one.
QSize chosenSize(QSize otherwise);

// Before the application: the offscreen platform starts with a screen of this size.
void startOn(QSize size);

} // namespace testscreen
