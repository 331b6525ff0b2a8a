#include "SiteSettings.h"
#include "data/Defaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// nullopt: the file does not exist.
void writeFile(const QString& path, const std::optional<QByteArray>& text) {
    if (!text)
        return;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*text);
}

struct Case {
    const char* name;
    std::optional<QByteArray> system;
    std::optional<QByteArray> user;
    data::defaults::Site expected;
    int problems = 0;
};

TEST(SiteSettings, UserOverSystemOverNothing) {
    const Case cases[] = {
        {"none", std::nullopt, std::nullopt, {}},
        {"system only",
         "server=db.plant\ndatabase=zelt\nstartup_user=starter\nstartup_password=pw1\n",
         std::nullopt,
         {"db.plant", "zelt", "starter", "pw1"}},
        {"user over system",
         "server=db.plant\ndatabase=zelt\nstartup_user=starter\nstartup_password=pw1\n",
         "server=db.home\ndatabase=test\nstartup_user=me\nstartup_password=pw2\n",
         {"db.home", "test", "me", "pw2"}},
        {"partial: each key from whichever file has it",
         "server=db.plant\nstartup_user=starter\n",
         "database=test\n",
         {"db.plant", "test", "starter", ""}},
        {"user file only", std::nullopt, "server=db.home\n", {"db.home", "", "", ""}},
        {"comments, blank lines, spaces, CR LF, unknown keys",
         "# the plant's server\n\n   \r\n  server = db.plant  \r\n#database=commented\n"
         "colour=blue\n",
         "\n# nothing here\n",
         {"db.plant", "", "", ""}},
        {"a value may hold '=' and '#'",
         "startup_password=a=b#c\n",
         std::nullopt,
         {"", "", "", "a=b#c"}},
        {"malformed lines are skipped and named",
         "server db.plant\nserver=ok\n=x\ndatabase=\n",
         "startup_user\n",
         {"ok", "", "", ""},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString system = QDir(dir.path()).filePath(QStringLiteral("system.conf"));
        const QString user = QDir(dir.path()).filePath(QStringLiteral("user.conf"));
        writeFile(system, c.system);
        writeFile(user, c.user);
        const app::SiteSettings s = app::readSiteSettings(system, user);
        EXPECT_EQ(s.site.server, c.expected.server);
        EXPECT_EQ(s.site.database, c.expected.database);
        EXPECT_EQ(s.site.startupUser, c.expected.startupUser);
        EXPECT_EQ(s.site.startupPassword, c.expected.startupPassword);
        EXPECT_EQ(s.problems.size(), c.problems) << s.problems.join('\n').toStdString();
        for (const QString& problem : s.problems) {
            EXPECT_TRUE(problem.contains(QStringLiteral("строка"))) << problem.toStdString();
            EXPECT_FALSE(problem.contains(QStringLiteral("db.plant"))) << problem.toStdString();
        }
    }
}

// Anyone who may change a settings file may send every user's program to a server of his: such
// a file, and one that cannot be read, is skipped and named with the reason, and the other
// file still counts.
TEST(SiteSettings, AFileOthersCouldChangeOrNobodyCanReadIsSkippedAndNamed) {
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* name;
        mode_t fileMode, folderMode;
        int owner, group; // -1: as made
        QString said;     // empty: the file is taken
        bool onlyAsRoot = false;
    };
    const Case cases[] = {
        {"private", 0644, 0755, -1, -1, {}},
        {"anyone may write it", 0666, 0755, -1, -1,
         "доступен на запись другим пользователям (права 0666)"},
        {"its group may write it", 0664, 0755, -1, 4322,
         "доступен на запись другим пользователям (права 0664)", true},
        {"anyone may write its folder", 0644, 0777, -1, -1,
         "доступна на запись другим пользователям (права 0777)"},
        {"a folder like /tmp", 0644, 01777, -1, -1, {}},
        {"another user's", 0644, 0755, 4321, -1, "принадлежит другому пользователю (uid 4321)",
         true},
        {"nobody may read it", 0000, 0755, -1, -1, "не прочитан", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.onlyAsRoot && !root)
            continue;
        if (c.fileMode == 0 && root)
            continue; // root reads it anyway
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).filePath(QStringLiteral("etc"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString system = folder + QStringLiteral("/tabel.conf");
        const QString user = QDir(dir.path()).filePath(QStringLiteral("user.conf"));
        writeFile(system, "server=db.elsewhere\ndatabase=zelt\n");
        writeFile(user, "startup_user=me\n");
        ASSERT_EQ(::chown(QFile::encodeName(system).constData(), uid_t(c.owner), gid_t(c.group)),
                  0);
        ASSERT_EQ(::chmod(QFile::encodeName(system).constData(), c.fileMode), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folderMode), 0);
        const app::SiteSettings s = app::readSiteSettings(system, user);
        EXPECT_EQ(s.site.startupUser, QStringLiteral("me"));
        if (c.said.isEmpty()) {
            EXPECT_EQ(s.site.server, QStringLiteral("db.elsewhere"));
            EXPECT_TRUE(s.problems.isEmpty()) << s.problems.join('\n').toStdString();
            continue;
        }
        EXPECT_EQ(s.site.server, QString());
        ASSERT_EQ(s.problems.size(), 1);
        EXPECT_TRUE(s.problems[0].startsWith(QStringLiteral("Файл настроек ") + system))
            << s.problems[0].toStdString();
        EXPECT_TRUE(s.problems[0].contains(c.said)) << s.problems[0].toStdString();
    }
}

TEST(SiteSettings, AFolderInPlaceOfTheFileIsNamed) {
    QTemporaryDir dir;
    const QString system = QDir(dir.path()).filePath(QStringLiteral("tabel.conf"));
    ASSERT_TRUE(QDir().mkpath(system));
    const app::SiteSettings s = app::readSiteSettings(system, {});
    ASSERT_EQ(s.problems.size(), 1);
    EXPECT_EQ(s.problems[0], QStringLiteral("Файл настроек %1 не прочитан: это папка").arg(system));
}

TEST(SiteSettings, SystemPathComesFromTheEnvironmentInTests) {
    qputenv("TABEL_SYSTEM_CONF", "/tmp/elsewhere.conf");
    EXPECT_EQ(app::systemSettingsPath(), QStringLiteral("/tmp/elsewhere.conf"));
    qunsetenv("TABEL_SYSTEM_CONF");
    EXPECT_EQ(app::systemSettingsPath(), QStringLiteral("/etc/tabel/tabel.conf"));
}

// One process, one site: the files' values replace the built-in ones, and the command line's
// server and database, given together, win over both.
TEST(SiteSettings, CommandLineOverFilesOverBuiltIn) {
    const data::defaults::ServerAndDatabase builtIn = data::defaults::chosen({}, {});
    const QString builtInUser = data::defaults::startupUser();
    const QString builtInPassword = data::defaults::startupPassword();

    QTemporaryDir dir;
    const QString system = QDir(dir.path()).filePath(QStringLiteral("system.conf"));
    const QString user = QDir(dir.path()).filePath(QStringLiteral("user.conf"));
    writeFile(system, "server=db.plant\ndatabase=zelt\nstartup_user=starter\n");
    writeFile(user, "database=mine\n");
    const app::SiteSettings s = app::readSiteSettings(system, user);
    data::defaults::useSite(s.site);

    struct Target {
        const char* name;
        QString server, database;
        QString expectedServer, expectedDatabase;
    };
    const Target targets[] = {
        {"nothing on the command line", {}, {}, "db.plant", "mine"},
        {"both on the command line", "cmd.host", "cmddb", "cmd.host", "cmddb"},
        {"server alone counts for nothing", "cmd.host", {}, "db.plant", "mine"},
        {"database alone counts for nothing", {}, "cmddb", "db.plant", "mine"},
    };
    for (const Target& t : targets) {
        SCOPED_TRACE(t.name);
        const data::defaults::ServerAndDatabase got = data::defaults::chosen(t.server, t.database);
        EXPECT_EQ(got.server, t.expectedServer);
        EXPECT_EQ(got.database, t.expectedDatabase);
    }
    EXPECT_NE(builtIn.server, QStringLiteral("db.plant"));
    EXPECT_EQ(data::defaults::startupUser(), QStringLiteral("starter"));
    EXPECT_NE(builtInUser, QStringLiteral("starter"));
    // Not given by any file: the built-in password stays.
    EXPECT_EQ(data::defaults::startupPassword(), builtInPassword);
}

} // namespace
