#include "LiveFollower.h"

#include "ActionGuard.h"
#include "LiveGrid.h"
#include "ResultSetModel.h"
#include "data/Listener.h"
#include "data/ResultSet.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <memory>

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
                           Concerns concerns)
    : QObject(&window), window_(window), concerns_(std::move(concerns)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LiveFollower::follow);
    connect(&listener, &data::Listener::notified, this,
            [this, channel](const QString& on, const QString& payload) {
                if (on == QLatin1String(channel))
                    note([&](const data::ResultSet& query) { return concerns_(payload, query); });
            });
    // What was announced while the server was away is unknown.
    connect(&listener, &data::Listener::resumed, this,
            [this] { note([](const data::ResultSet&) { return true; }); });
}

void LiveFollower::add(LiveGrid& grid) {
    grids_.emplace_back(&grid);
}

// Started by the burst's first announcement only: a stream of them cannot hold it off.
void LiveFollower::note(const std::function<bool(const data::ResultSet&)>& concerned) {
    bool any = false;
    for (const LiveGrid* grid : grids_) {
        if (!grid)
            continue;
        for (const ResultSetModel* model : grid->boundModels()) {
            const data::ResultSet& query = model->resultSet();
            if (query.isOpen() && concerned(query)) {
                noted_.insert(&query);
                any = true;
            }
        }
    }
    if (any && !timer_.isActive() && !running_)
        timer_.start(delay_);
}

void LiveFollower::follow() {
    if (noted_.isEmpty())
        return;
    if (held()) {
        timer_.start(waitForDialogMs);
        return;
    }
    if (sinceRerun_.isValid() && sinceRerun_.elapsed() < paceMs) {
        timer_.start(int(paceMs - sinceRerun_.elapsed()));
        return;
    }
    running_ = true;
    const bool read = rerun();
    running_ = false;
    if (read)
        sinceRerun_.start();
    if (!noted_.isEmpty()) // announced while it read
        timer_.start(paceMs);
}

// Each noted query in the order the grids bind them; an error ends the re-run there and leaves
// the rest noted for the next announcement.
bool LiveFollower::rerun() {
    bool read = false;
    std::vector<std::unique_ptr<LiveGrid::Loading>> loading;
    for (LiveGrid* grid : grids_)
        if (grid)
            loading.push_back(std::make_unique<LiveGrid::Loading>(*grid));
    guarded(
        [this, &read] {
            for (LiveGrid* grid : grids_) {
                if (!grid)
                    continue;
                for (ResultSetModel* model : grid->boundModels()) {
                    data::ResultSet& query = model->resultSet();
                    if (!noted_.remove(&query) || !query.isOpen())
                        continue;
                    read = true;
                    grid->reread(query);
                }
            }
        },
        &window_);
    if (read)
        emit followed();
    return read;
}

// Also a dialog under a box of another window holds it.
bool LiveFollower::held() const {
    if (QApplication::activePopupWidget())
        return true;
    if (std::any_of(grids_.begin(), grids_.end(),
                    [](const QPointer<LiveGrid>& grid) { return grid && grid->loading(); }))
        return true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [this](const QWidget* w) {
        return w != &window_ && w->isVisible() && w->isModal() && opensOver(w, window_);
    });
}

} // namespace ui
