#pragma once

// Keeps a window in step with the server's announcements on one channel: a burst is read
// once, a stream that keeps coming at most once a second, and everything once a lost
// connection is back; while a window opened over it is open, it waits for it to close.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

namespace data {
class Listener;
}

namespace ui {

class LiveFollower : public QObject {
    Q_OBJECT
public:
    // What the window itself does.
    struct Hooks {
        // Notes what an announcement changed; true when it is something the window shows.
        std::function<bool(const QString& payload)> note;
        // Notes that anything may have changed; true when the window shows anything.
        std::function<bool()> noteAll;
        // Reads again what was noted; true when it read anything.
        std::function<bool()> rerun;
        // A load of the window's own is under way (an error box of it may be open).
        std::function<bool()> busy = [] { return false; };
    };
    LiveFollower(QWidget& window, data::Listener& listener, const char* channel, Hooks hooks);

    // How long the first announcement of a burst waits for the rest of it.
    void setDelay(int ms) { delay_ = ms; }

private:
    void noted();
    void follow();
    bool held() const;

    QWidget& window_;
    Hooks hooks_;
    QTimer timer_;
    QElapsedTimer sinceRerun_;
    bool pending_ = false;
    bool running_ = false;
    int delay_ = 40; // a burst (a division, "Принять ВСЕ") commits within a few milliseconds
};

} // namespace ui
