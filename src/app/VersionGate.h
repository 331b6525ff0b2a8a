#pragma once

#include "BuildStamp.h"

#include <QString>
#include <functional>

namespace state {
class DataModule;
}

namespace app {

// Compares the running build's stamp with the newest one that has run against the
// database: raises the stored stamp for a newer build, and tells an older build to stop.
// First it compares the journal schema's version with this build's: a database of another
// one stops the program too (OtherSchema), before any statement that version lacks.
class VersionGate {
public:
    enum class Outcome { Current, Raised, Newer, OtherSchema };

    explicit VersionGate(state::DataModule& dm,
                         std::function<BuildStamp()> stamp = currentBuildStamp);

    void setStamp(std::function<BuildStamp()> stamp) { stampOf_ = std::move(stamp); }

    // Throws the database's error; the caller reports it and tries again later.
    Outcome run();
    // The same comparison without raising the stored stamp: Newer or Current.
    Outcome check();
    // What the gate says to a build older than the database's.
    static QString newerMessage();
    // What the last run says to stop: newerMessage() or why the schema does not fit.
    QString refusal() const { return refusal_; }
    // The stamp of the last run, as the login window's caption shows it.
    BuildStamp stamp() const { return stamp_; }

private:
    state::DataModule& dm_;
    std::function<BuildStamp()> stampOf_;
    BuildStamp stamp_;
    QString refusal_;

    bool schemaFits();
};

} // namespace app
