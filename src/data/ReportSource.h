#pragma once

#include "Connection.h"

#include <QString>
#include <chrono>
#include <optional>

// Where the reports, prints and exports read from: a report server (a hot standby of the
// primary) when one is set, else the primary itself. Writes never go through here.
namespace data {

struct Session;

// A report server: host or socket folder, and database (empty: the primary's).
struct ReportServer {
    QString server;
    QString database;
    bool isSet() const { return !server.isEmpty(); }
};

class ReportSource {
public:
    ReportSource(Connection& primary, const Session& session);

    void setServer(const ReportServer& server);
    const ReportServer& server() const { return server_; }

    // The report server's data as the last ready() found them.
    struct Lag {
        int seconds = 0;
        QString lastChange; // "DD.MM.YYYY HH:MM" of the last change replayed
    };

    struct Ready {
        Connection& connection;
        // Once per program run: the report server could not be reached.
        std::optional<QString> fallbackNotice;
        // The report server is behind the primary by more than a minute.
        std::optional<Lag> lag;
    };

    // The connection a report reads from now. The report server's session is opened at the
    // first report with the session's login and password and kept; when it cannot be
    // reached the report reads from the primary, and the server is tried again later.
    Ready ready();

    // The report server's own connection, also when the reports fell back to the primary
    // (its observer sees only what was sent to the report server).
    Connection& reportConnection() { return reports_; }

    static QString fallbackText();
    static QString lagText(const Lag& lag);

private:
    std::optional<Lag> probe();

    Connection& primary_;
    const Session& session_;
    ReportServer server_;
    Connection reports_;
    bool told_ = false;
    std::optional<std::chrono::steady_clock::time_point> failedAt_;
};

} // namespace data
