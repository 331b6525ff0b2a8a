// What the command line answers before any window: the help and the version on stdout, the
// usage on stderr for what the windows' start does not take, and nothing for a start that goes
// on (Qt's own options included). The program itself, without a display, is
// command_line_without_display.sh.
#include "CommandLine.h"

#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>
#include <optional>

namespace {

enum class Said { Nothing, Help, Version, Usage };

struct Case {
    const char* name;
    QStringList arguments;
    std::optional<int> exit;
    Said said;
};

TEST(CommandLine, AnswersHelpVersionAndUsageAndLetsTheRestGoOn) {
    const Case cases[] = {
        {"no arguments: the windows", {}, std::nullopt, Said::Nothing},
        {"server and database", {"erp", "zelt"}, std::nullopt, Said::Nothing},
        {"server alone, or empty ones: the defaults", {"erp"}, std::nullopt, Said::Nothing},
        {"empty server and database", {"", ""}, std::nullopt, Said::Nothing},
        {"report server options",
         {"--report-server", "standby", "--report-db", "rep", "erp", "zelt"},
         std::nullopt,
         Said::Nothing},
        {"Qt's options pass to Qt",
         {"-platform", "offscreen", "--style", "fusion", "-style=windows", "-reverse", "erp",
          "zelt"},
         std::nullopt,
         Said::Nothing},
        {"a batch command checks its own arguments",
         {"report", "20", "--bogus"},
         std::nullopt,
         Said::Nothing},
        {"--help", {"--help"}, 0, Said::Help},
        {"-h", {"-h"}, 0, Said::Help},
        {"--help after the server", {"erp", "zelt", "--help"}, 0, Said::Help},
        {"a batch command's --help", {"report", "20", "--help"}, 0, Said::Help},
        {"a batch command's -h", {"history", "-h"}, 0, Said::Help},
        {"--version", {"--version"}, 0, Said::Version},
        {"unknown option", {"--bogus"}, 2, Said::Usage},
        {"unknown short option", {"-x", "erp", "zelt"}, 2, Said::Usage},
        {"a lone dash", {"-"}, 2, Said::Usage},
        {"a third argument", {"erp", "zelt", "more"}, 2, Said::Usage},
        {"report server without its value", {"erp", "zelt", "--report-server"}, 2, Said::Usage},
        {"report database without its value", {"--report-db"}, 2, Said::Usage},
        {"a Qt option without its value", {"erp", "zelt", "-platform"}, 2, Said::Usage},
        {"a Qt option that takes no '='", {"-platform=xcb"}, 2, Said::Usage},
        {"a batch command's option on the windows' start", {"--user", "master"}, 2, Said::Usage},
        {"--version of a batch command is its own bad argument",
         {"export", "--version"},
         std::nullopt,
         Said::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const std::optional<int> exit = app::answerCommandLine(
            QStringList{QStringLiteral("tabel")} + c.arguments, outStream, errStream);
        outStream.flush();
        errStream.flush();
        EXPECT_EQ(exit, c.exit);
        const QString expectedOut = c.said == Said::Help      ? app::helpText()
                                    : c.said == Said::Version ? app::versionText()
                                                              : QString();
        EXPECT_EQ(out, expectedOut);
        EXPECT_EQ(err, c.said == Said::Usage ? app::usageText() : QString());
    }
}

// The help names every option of every way to start, so an option the usage gains is explained.
TEST(CommandLine, HelpExplainsEveryOptionOfTheUsage) {
    const QString usage = app::usageText();
    const QString explained = app::helpText().mid(app::helpText().indexOf(usage) + usage.size());
    static const QRegularExpression option(QStringLiteral("--[a-z-]+"));
    int options = 0;
    for (auto m = option.globalMatch(usage); m.hasNext(); ++options) {
        const QString name = m.next().captured();
        EXPECT_TRUE(explained.contains(name)) << name.toStdString();
    }
    EXPECT_GE(options, 12);
}

} // namespace
