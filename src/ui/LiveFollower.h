#pragma once

// Keeps the live grids of a window in step with the server's announcements on one channel:
// what a burst concerns is read once, a stream that keeps coming at most once a second, and
// everything once a lost connection is back, each query keeping its place; while a window
// opened over the window is open, a popup, or a load of one of its grids, it waits.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace data {
class Listener;
class ResultSet;
} // namespace data

namespace ui {

class LiveGrid;

class LiveFollower : public QObject {
    Q_OBJECT
public:
    // Whether an announcement's payload concerns a query bound to one of the grids (only
    // open ones are asked).
    using Concerns = std::function<bool(const QString& payload, const data::ResultSet& query)>;
    LiveFollower(QWidget& window, data::Listener& listener, const char* channel, Concerns concerns);

    // The queries bound to the grid are followed from now on.
    void add(LiveGrid& grid);
    // How long the first announcement of a burst waits for the rest of it.
    void setDelay(int ms) { delay_ = ms; }
    // The window has just read its queries whole: nothing announced so far is left to read.
    void caughtUp() { noted_.clear(); }

signals:
    // What the announcements concerned was read again (once a burst).
    void followed();

private:
    void note(const std::function<bool(const data::ResultSet&)>& concerned);
    void follow();
    bool rerun();
    bool held() const;

    QWidget& window_;
    Concerns concerns_;
    std::vector<QPointer<LiveGrid>> grids_;
    QSet<const data::ResultSet*> noted_;
    QTimer timer_;
    QElapsedTimer sinceRerun_;
    bool running_ = false;
    int delay_ = 40; // a burst (a division, "Принять ВСЕ") commits within a few milliseconds
};

} // namespace ui
