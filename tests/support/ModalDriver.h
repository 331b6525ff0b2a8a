#pragma once

#include <QWidget>
#include <functional>

// Acts on the next modal window that opens (a dialog shown with exec(), a message box),
// so a test can look at it and close it without anybody clicking. The action runs from
// the event loop of that window once it is showing; a window that never shows fails the
// running test after the timeout.
void whenModalOpens(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);
