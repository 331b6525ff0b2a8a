#pragma once

#include "Connection.h"

#include <QString>
#include <chrono>
#include <optional>

// Where the reports, prints and exports read from: a report server (a hot standby of the
// primary, checked as one) when one is set, else the primary itself. Writes never go here.
namespace data {

// A report server: host or socket folder, and database (empty: the primary's).
struct ReportServer {
    QString server;
    QString database;
    bool isSet() const { return !server.isEmpty(); }
};

class ReportSource {
public:
    // The report server's session opens with the login and password the references hold at
    // each report: the program's login may change while it runs.
    ReportSource(Connection& primary, const QString& loginName, const QString& loginPassword);

    void setServer(const ReportServer& server);
    const ReportServer& server() const { return server_; }

    // The report server's data as the last ready() found them.
    struct Lag {
        int seconds = 0;
        // "DD.MM.YYYY HH:MM": of the last change replayed, or, when the standby has replayed
        // none since it started, of its last restartpoint (nothing newer is in its data).
        QString lastChange;
        bool lastChangeKnown = true;
    };

    // Why the reports read from the primary.
    enum class Refusal { Unreachable, OtherCluster, NotInRecovery };

    struct Ready {
        Connection& connection;
        // Once per program run and reason: the report server was not used, and why.
        std::optional<QString> fallbackNotice;
        // The report server is behind the primary by more than a minute.
        std::optional<Lag> lag;
    };

    // The connection a report reads from now. The report server's session is opened at the
    // first report with the login and password given and kept. It is used only while it
    // is in recovery and a copy of the primary's cluster (the same system identifier); when
    // it is not, or cannot be reached, the report reads from the primary, and the server is
    // tried again later.
    Ready ready();

    // The report server's own connection, also when the reports fell back to the primary
    // (its observer sees only what was sent to the report server).
    Connection& reportConnection() { return reports_; }

    static QString fallbackText(Refusal why = Refusal::Unreachable);
    static QString lagText(const Lag& lag);

private:
    struct Probe {
        std::optional<Refusal> refusal;
        std::optional<Lag> lag;
    };
    Probe probe(const QString& primarySystem);
    QString primarySystem();

    Connection& primary_;
    const QString& loginName_;
    const QString& loginPassword_;
    ReportServer server_;
    Connection reports_;
    unsigned told_ = 0; // a bit per Refusal
    Refusal refusal_ = Refusal::Unreachable;
    std::optional<std::chrono::steady_clock::time_point> failedAt_;
    // The primary's system identifier, read once per primary server.
    QString primarySystem_, primarySystemServer_;
};

} // namespace data
