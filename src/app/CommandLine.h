#pragma once

// The answers the command line gets before any window, display or connection: the help, the
// version, and the usage for an argument the program does not take. Needs no QApplication.
#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

namespace app {

// Every way to start the program, one usage line each.
QString usageText();
// The usage and what the arguments, the settings files and the exit codes mean.
QString helpText();
// This build (its version and build stamp) and the journal schema version it needs.
QString versionText();

// --help (-h) or --version answered on out, exit 0; an option or argument the windows' start
// does not take answered with the usage on err, exit 2. nullopt: the program goes on, to a
// batch command (which checks its own arguments) or the windows. arguments[0] is the program.
std::optional<int> answerCommandLine(const QStringList& arguments, QTextStream& out,
                                     QTextStream& err);

} // namespace app
