#pragma once

// The size of the offscreen platform's screen: the test programs start on a 1920×1080 one, as
// the plants' monitors are.

#include <QSize>

namespace testscreen {

// Before the application: the offscreen platform starts with a screen of this size.
void startOn(QSize size);

} // namespace testscreen
