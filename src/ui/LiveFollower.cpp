#include "LiveFollower.h"

#include "data/Listener.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

namespace ui {

namespace {

// Any login may announce: a stream of announcements, real or not, costs one re-run a second.
constexpr int paceMs = 1000;
constexpr int waitForDialogMs = 250;

// A window opened from this one (a dialog, its message boxes) may rely on its rows; a
// window of another (the version gate's error box over the login) does not.
bool opensOver(const QWidget* other, const QWidget& window) {
    for (const QWidget* w = other->parentWidget(); w; w = w->parentWidget())
        if (w == &window)
            return true;
    return false;
}

} // namespace

LiveFollower::LiveFollower(QWidget& window, data::Listener& listener, const char* channel,
                           Hooks hooks)
    : QObject(&window), window_(window), hooks_(std::move(hooks)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LiveFollower::follow);
    connect(&listener, &data::Listener::notified, this,
            [this, channel](const QString& on, const QString& payload) {
                if (on == QLatin1String(channel) && hooks_.note(payload))
                    noted();
            });
    // What was announced while the server was away is unknown.
    connect(&listener, &data::Listener::resumed, this, [this] {
        if (hooks_.noteAll())
            noted();
    });
}

// Started by the burst's first announcement only: a stream of them cannot hold it off.
void LiveFollower::noted() {
    pending_ = true;
    if (!timer_.isActive() && !running_)
        timer_.start(delay_);
}

void LiveFollower::follow() {
    if (!pending_)
        return;
    if (held()) {
        timer_.start(waitForDialogMs);
        return;
    }
    if (sinceRerun_.isValid() && sinceRerun_.elapsed() < paceMs) {
        timer_.start(int(paceMs - sinceRerun_.elapsed()));
        return;
    }
    pending_ = false;
    running_ = true;
    const bool read = hooks_.rerun();
    running_ = false;
    if (read)
        sinceRerun_.start();
    if (pending_) // announced while it read
        timer_.start(paceMs);
}

// Also a dialog under a box of another window holds it.
bool LiveFollower::held() const {
    if (hooks_.busy() || QApplication::activePopupWidget())
        return true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [this](const QWidget* w) {
        return w != &window_ && w->isVisible() && w->isModal() && opensOver(w, window_);
    });
}

} // namespace ui
