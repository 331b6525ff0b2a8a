// Writing a file whole: the part file is private while it is written, and the file that takes
// the target's place is the one that was made, with the target's owner and every mode bit.
#include "output/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

bool fill(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

class WholeFileTest : public ::testing::Test {
protected:
    QString at(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
    QStringList partFiles() const {
        return QDir(folder.path()).entryList({".tabel-*"}, QDir::Hidden | QDir::Files);
    }
    QTemporaryDir folder;
};

TEST_F(WholeFileTest, NobodyElseMayReadThePartWhileItIsWritten) {
    const mode_t mask = ::umask(022);
    for (const bool exists : {false, true}) {
        SCOPED_TRACE(exists ? "over a file" : "a new file");
        const QString target = at(exists ? "было.pdf" : "новый.pdf");
        if (exists) {
            ASSERT_TRUE(fill(target, "old"));
            ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
        }
        mode_t whileWritten = 0777;
        QString reason;
        ASSERT_TRUE(output::writeWhole(
            target,
            [&](const QString& part, QString&) {
                whileWritten = statOf(part).st_mode & 0777;
                return fill(part, "new");
            },
            reason))
            << reason.toStdString();
        EXPECT_EQ(whileWritten, mode_t(0600));
        EXPECT_EQ(statOf(target).st_mode & 07777, mode_t(0644)); // as the umask, or as it was
        EXPECT_EQ(contentOf(target), "new");
    }
    ::umask(mask);
    EXPECT_TRUE(partFiles().isEmpty());
}

// As root (the package's jobs, CI): the owner first, then the mode, so the set-user and
// set-group bits a plant gave the file stay.
TEST_F(WholeFileTest, AFileKeepsItsOwnerAndItsSetUserAndSetGroupBits) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file another owner";
    const QString target = at("отчёт.pdf");
    ASSERT_TRUE(fill(target, "old"));
    const QByteArray name = QFile::encodeName(target);
    ASSERT_EQ(::chown(name.constData(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(name.constData(), 06750), 0);
    QString reason;
    ASSERT_TRUE(output::writeWhole(
        target, [](const QString& part, QString&) { return fill(part, "new"); }, reason))
        << reason.toStdString();
    const struct stat after = statOf(target);
    EXPECT_EQ(after.st_mode & 07777, mode_t(06750));
    EXPECT_EQ(after.st_uid, uid_t(4321));
    EXPECT_EQ(after.st_gid, gid_t(4322));
    EXPECT_EQ(contentOf(target), "new");
}

// Someone who may write the folder swaps the part for a link to a file of the user's while it
// is written: the owner and mode meant for the target must not land on that file, and the
// target must not become the link.
TEST_F(WholeFileTest, APartSwappedWhileWrittenIsRefusedAndTouchesNothing) {
    const QString target = at("цель.xlsx"), victim = at("чужой.txt");
    ASSERT_TRUE(fill(target, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0666), 0);
    ASSERT_TRUE(fill(victim, "private"));
    ASSERT_EQ(::chmod(QFile::encodeName(victim).constData(), 0600), 0);
    QString reason;
    EXPECT_FALSE(output::writeWhole(
        target,
        [&](const QString& part, QString&) {
            return fill(part, "new") && QFile::remove(part) && QFile::link(victim, part);
        },
        reason));
    EXPECT_TRUE(reason.contains("подменён")) << reason.toStdString();
    EXPECT_EQ(statOf(victim).st_mode & 07777, mode_t(0600));
    EXPECT_TRUE(S_ISREG(statOf(target).st_mode));
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(contentOf(victim), "private");
    EXPECT_TRUE(partFiles().isEmpty());
}

} // namespace
