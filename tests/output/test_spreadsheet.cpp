// The spreadsheet wrapper: cells, formats and messages, read back from the real .xlsx files
// it writes into the documents folder of a throw-away home.
#include "Xlsx.h"
#include "output/Spreadsheet.h"
#include "ui/ActionGuard.h"
#include "ui/Messages.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using xlsx::Xlsx;

class SpreadsheetTest : public ::testing::Test {
protected:
    // Shows the sheet and reads back the file it wrote.
    Xlsx shown() {
        EXPECT_EQ(sheet.show(true), 1);
        EXPECT_FALSE(sheet.lastFile().isEmpty());
        return Xlsx(sheet.lastFile());
    }
    QStringList files() const {
        return QDir(documents).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // A call as a window's handler makes it: the action guard shows what it throws, and the
    // result is -1 then.
    template <class Call> static int handled(Call call) {
        int result = -1;
        ui::guarded([&] { result = call(); });
        return result;
    }
    // show(true) as a window's handler makes it: the action guard shows what it throws; 1 once
    // the workbook is in a file (one no program took too), -1 when it is not.
    int shownByAWindow() {
        ui::guarded([&] { sheet.show(true); });
        return sheet.lastFile().isEmpty() ? -1 : 1;
    }
    void replaceDocumentsByAFile() {
        QDir(documents).removeRecursively();
        QFile blocker(documents);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

    xlsx::ThrowAwayHome home;
    QString& documents = home.documents;
    QStringList& opened = home.opened;
    ui::MessageRecorder messages;
    output::Spreadsheet sheet;
};

TEST_F(SpreadsheetTest, OnlyPlainDecimalsBecomeNumbers) {
    struct Case {
        QString text;
        QString plain; // as the plain write leaves it
    };
    const Case cases[] = {
        {"0", "n:0"},
        {"12,5", "n:12.5"},
        {"-3", "n:-3"},
        {"0,75", "n:0.75"},
        {"123456789012345", "n:123456789012345"},
        {"-1234567890,12345", "n:-1234567890.12345"},
        {"3-12", "s:3-12"},
        {"007", "s:007"},
        {"00", "s:00"},
        {"1.10", "s:1.10"},
        {"1234567890123456", "s:1234567890123456"},
        {"12345678901234,56", "s:12345678901234,56"},
        {"12,", "s:12,"},
        {",5", "s:,5"},
        {"-", "s:-"},
        {"+5", "s:+5"},
        {" 5", "s: 5"},
        {"1 000", "s:1 000"},
        {"1e5", "s:1e5"},
        {"=1+2", "s:=1+2"},
        {"\tИ-97", "s:\tИ-97"},
        {QStringLiteral("a\u0001b"), QStringLiteral("s:a\u0001b")},
        // What XML cannot hold reaches the file escaped and reads back as written.
        {QStringLiteral("Группа \uFFFE\uFFFF"), QStringLiteral("s:Группа \uFFFE\uFFFF")},
        {QString("a") + QChar(0) + "b", QString("s:a") + QChar(0) + "b"},
        {QStringLiteral("a\u000Bb\nc"), QStringLiteral("s:a\u000Bb\nc")},
        {QString("a") + QChar(0xD800) + "b", QString("s:a") + QChar(0xD800) + "b"},
        {QString("a") + QChar(0xDC00), QString("s:a") + QChar(0xDC00)},
        {QStringLiteral("Кошка \U0001F408"), QStringLiteral("s:Кошка \U0001F408")},
        {"_x0041_x0042_", "s:_x0041_x0042_"},
        {QStringLiteral("_x0041\uFFFE"), QStringLiteral("s:_x0041\uFFFE")},
        {QStringLiteral("_xABCD\u0001"), QStringLiteral("s:_xABCD\u0001")},
        {"_x0041_ и _x005F_", "s:_x0041_ и _x005F_"},
        {"Иванов И.И.", "s:Иванов И.И."},
        {"", ""},
    };
    ASSERT_EQ(sheet.open(""), 1);
    int row = 0;
    for (const Case& c : cases) {
        ++row;
        EXPECT_EQ(sheet.write(1, 1, row, c.text), 1);
        EXPECT_EQ(sheet.writeFormatted(1, 2, row, c.text, {}), 1);
        EXPECT_EQ(sheet.writeFormatted(1, 3, row, c.text, {.asText = true}), 1);
    }
    const Xlsx file = shown();
    EXPECT_EQ(file.sheetName, "Лист1");
    row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        ++row;
        EXPECT_EQ(file.at(1, row), c.plain);
        EXPECT_EQ(file.at(2, row), c.plain);
        EXPECT_EQ(file.at(3, row), c.text.isEmpty() ? "" : "s:" + c.text + " @");
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SpreadsheetTest, FormattingFlagsAreAppliedEitherWay) {
    ASSERT_EQ(sheet.open(""), 1);
    for (int column = 1; column <= 8; ++column) {
        const bool asText = column & 1, fit = column & 2, bold = column & 4;
        EXPECT_EQ(sheet.writeFormatted(1, column, 2, "12", {asText, fit, bold}), 1);
    }
    // What a later write does not set stays; what it sets, false included, is replaced.
    struct Step {
        int column;
        QString text;
        bool formatted, asText, bold;
    };
    const Step steps[] = {
        {1, "x", true, true, true},    {1, "5", false, false, false}, // plain: format stays
        {2, "5", true, false, true},   {2, "6", true, false, false},  // bold cleared
        {3, "x", true, false, true},   {3, "", true, true, false},    // empty: nothing at all
        {4, "7", false, false, false}, {4, "7", true, true, false},   // text from now on
        {5, "y", true, true, false},   {5, "8", true, false, false},  // and stays so
    };
    for (const Step& s : steps)
        EXPECT_EQ(s.formatted ? sheet.writeFormatted(1, s.column, 4, s.text,
                                                     {.asText = s.asText, .bold = s.bold})
                              : sheet.write(1, s.column, 4, s.text),
                  1);

    const Xlsx file = shown();
    for (int column = 1; column <= 8; ++column) {
        SCOPED_TRACE(column);
        const bool asText = column & 1, fit = column & 2, bold = column & 4;
        EXPECT_EQ(file.at(column, 2), QString(asText ? "s:12 @" : "n:12") + (bold ? " b" : ""));
        EXPECT_EQ(file.widths.contains(column), fit);
    }
    const QString after[] = {"s:5 @ b", "n:6", "s:x b", "s:7 @", "s:8 @"};
    for (int column = 1; column <= 5; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(file.at(column, 4), after[column - 1]);
    }
}

TEST_F(SpreadsheetTest, CellsMayBeWrittenInAnyOrder) {
    ASSERT_EQ(sheet.open(""), 1);
    const struct {
        int column, row;
        QString text;
    } writes[] = {{3, 5, "c5"}, {2, 5, "b5"}, {1, 2, "a2"}, {3, 2, "c2"},
                  {2, 2, "b2"}, {1, 9, "a9"}, {2, 5, "B5"}, {1, 1, "a1"}};
    for (const auto& w : writes)
        EXPECT_EQ(sheet.write(1, w.column, w.row, w.text), 1);
    EXPECT_EQ(shown().cells, (QMap<QString, QString>{{"A1", "s:a1"},
                                                     {"A2", "s:a2"},
                                                     {"B2", "s:b2"},
                                                     {"C2", "s:c2"},
                                                     {"B5", "s:B5"},
                                                     {"C5", "s:c5"},
                                                     {"A9", "s:a9"}}));
}

TEST_F(SpreadsheetTest, ColumnFitsTheLongestTextWrittenWithTheFlag) {
    ASSERT_EQ(sheet.open(""), 1);
    sheet.writeFormatted(1, 1, 1, "1", {.fitColumn = true, .bold = true});
    sheet.writeFormatted(1, 2, 1, "Итого", {true, true, true});
    sheet.writeFormatted(1, 3, 1, "Фамилия И.О.", {true, true, true});
    // the same widths, whatever comes later without the flag or shorter with it
    sheet.writeFormatted(1, 4, 1, "Итого", {true, true, true});
    sheet.writeFormatted(1, 4, 2, "Кузнецова А.Б. без подгонки", {.asText = true});
    sheet.writeFormatted(1, 5, 1, "Фамилия И.О.", {true, true, true});
    sheet.writeFormatted(1, 5, 2, "1", {.fitColumn = true, .bold = true});
    sheet.writeFormatted(1, 6, 1, "Без подгонки", {.asText = true, .bold = true});

    const Xlsx file = shown();
    EXPECT_LT(file.widths.value(1), file.widths.value(2));
    EXPECT_LT(file.widths.value(2), file.widths.value(3));
    EXPECT_EQ(file.widths.value(4), file.widths.value(2));
    EXPECT_EQ(file.widths.value(5), file.widths.value(3));
    EXPECT_FALSE(file.widths.contains(6));
    // letters, not the bytes they take: "Фамилия И.О." is 12 letters in 21 bytes
    EXPECT_GT(file.widths.value(3), 10);
    EXPECT_LT(file.widths.value(3), 17);
}

TEST_F(SpreadsheetTest, FailedWritesNameSheetColumnAndRow) {
    const QString sheetCaption = "Ошибочный номер листа Microsoft Excel";
    const QString cellCaption = "Ошибка Microsoft Excel";
    struct Case {
        int sheet, column, row;
        qsizetype length;
        QString caption, text;
    };
    const Case cases[] = {
        {2, 33, 2, 1, sheetCaption, "Ошибка при записи: лист 2, столбец 33, строка 2"},
        {0, 1, 1, 1, sheetCaption, "Ошибка при записи: лист 0, столбец 1, строка 1"},
        {1, 0, 5, 1, cellCaption, "Ошибка при записи: лист 1, столбец 0, строка 5"},
        {1, 16385, 1, 1, cellCaption, "Ошибка при записи: лист 1, столбец 16385, строка 1"},
        {1, 3, 0, 1, cellCaption, "Ошибка при записи: лист 1, столбец 3, строка 0"},
        {1, 3, 1048577, 1, cellCaption, "Ошибка при записи: лист 1, столбец 3, строка 1048577"},
        {1, 3, -7, 1, cellCaption, "Ошибка при записи: лист 1, столбец 3, строка -7"},
        {1, 2, 3, 32768, cellCaption, "Ошибка при записи: лист 1, столбец 2, строка 3"},
    };
    ASSERT_EQ(sheet.open(""), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString text(c.length, u'Ж');
        for (const bool formatted : {false, true}) {
            messages.clear();
            EXPECT_EQ(handled([&] {
                          return formatted ? sheet.writeFormatted(c.sheet, c.column, c.row, text,
                                                                  {true, true, true})
                                           : sheet.write(c.sheet, c.column, c.row, text);
                      }),
                      -1);
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_EQ(messages.messages[0].caption, c.caption);
            EXPECT_EQ(messages.messages[0].text, c.text);
            EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Error);
            EXPECT_EQ(messages.messages[0].buttons, ui::Messages::Buttons::Ok);
            // an empty text is no write at all, so it cannot fail
            EXPECT_EQ(sheet.write(c.sheet, c.column, c.row, ""), 1);
            EXPECT_EQ(messages.messages.size(), 1u);
        }
    }
    // the last cell and the longest text a sheet takes
    EXPECT_EQ(sheet.write(1, 16384, 1048576, "край"), 1);
    EXPECT_EQ(sheet.write(1, 1, 1, QString(32767, u'Ж')), 1);
    const Xlsx file = shown();
    EXPECT_EQ(file.cells.size(), 2);
    EXPECT_EQ(file.cells.value("XFD1048576"), "s:край");
    EXPECT_EQ(file.at(1, 1), "s:" + QString(32767, u'Ж'));
}

// The file carries "_x0000_" for a NUL and "_x005F_" for an "_" that opens an escape: a text
// that fits as typed but not as written is refused at its cell, and the export goes on.
TEST_F(SpreadsheetTest, ATextPastTheLimitOnlyOnceEscapedIsRefusedAtItsCell) {
    const QChar nul(0);
    struct Case {
        QString text;
        bool taken;
    };
    const Case cases[] = {
        {QString(32760, u'Ж') + nul, true}, // 32 767 as written
        {QString(32759, u'Ж') + nul + nul, false},
        {QString(32761, u'Ж') + nul, false},
        {QString(32755, u'Ж') + "_x0041_", false}, // "_x005F_x0041_"
        {QString(32761, u'Ж') + QChar(0xD800), false},
    };
    ASSERT_EQ(sheet.open(""), 1);
    int row = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(row);
        messages.clear();
        EXPECT_EQ(handled([&] { return sheet.write(1, 2, row, c.text); }), c.taken ? 1 : -1);
        if (!c.taken) {
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_EQ(messages.messages[0].text,
                      QString("Ошибка при записи: лист 1, столбец 2, строка %1").arg(row));
        }
        ++row;
    }
    sheet.write(1, 1, 1, "после");
    const Xlsx file = shown();
    EXPECT_EQ(file.cells.size(), 2);
    EXPECT_EQ(file.at(1, 1), "s:после");
    EXPECT_EQ(file.at(2, 1), "s:" + cases[0].text);
}

TEST_F(SpreadsheetTest, WithoutAWorkbookNothingIsWrittenOrShown) {
    EXPECT_EQ(handled([&] { return sheet.write(1, 1, 1, "x"); }), -1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Ошибочный номер листа Microsoft Excel");
    EXPECT_EQ(messages.messages[0].text, "Ошибка при записи: лист 1, столбец 1, строка 1");
    EXPECT_EQ(sheet.show(true), 1);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(SpreadsheetTest, EachShowWritesAFreshFileAndNeverOverwrites) {
    ASSERT_FALSE(QDir(documents).exists()); // made by the first open
    ASSERT_EQ(sheet.open(""), 1);
    QFile own(documents + "/Книга1.xlsx"); // the user's own file of that name
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("the user's own");
    own.close();

    sheet.write(1, 1, 1, "первая");
    EXPECT_EQ(sheet.show(true), 1);
    ASSERT_EQ(sheet.open(""), 1); // a new workbook
    sheet.write(1, 2, 1, "вторая");
    EXPECT_EQ(sheet.show(true), 1);

    EXPECT_EQ(files(), QStringList({"Книга1.xlsx", "Книга2.xlsx", "Книга3.xlsx"}));
    EXPECT_EQ(opened, QStringList({documents + "/Книга2.xlsx", documents + "/Книга3.xlsx"}));
    EXPECT_EQ(sheet.lastFile(), documents + "/Книга3.xlsx");
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), "the user's own");
    const Xlsx first(documents + "/Книга2.xlsx"), second(documents + "/Книга3.xlsx");
    EXPECT_EQ(first.cells, (QMap<QString, QString>{{"A1", "s:первая"}}));
    EXPECT_EQ(second.cells, (QMap<QString, QString>{{"B1", "s:вторая"}}));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SpreadsheetTest, HidingDoesNothing) {
    ASSERT_EQ(sheet.open(""), 1);
    sheet.write(1, 1, 1, "x");
    EXPECT_EQ(sheet.show(false), 1);
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(shown().at(1, 1), "s:x"); // and the cells are still there to show
}

TEST_F(SpreadsheetTest, OpenFailsWithoutAWritableFolderOrWithAFileName) {
    struct Case {
        const char* what;
        bool blockFolder;
        QString fileName;
    };
    const Case cases[] = {
        {"documents folder is a file", true, ""},
        {"a file to open", false, "/tmp/existing.xlsx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(documents);
        ASSERT_EQ(sheet.open(""), 1);
        sheet.write(1, 1, 1, "earlier");
        if (c.blockFolder)
            replaceDocumentsByAFile();
        messages.clear();
        EXPECT_EQ(handled([&] { return sheet.open(c.fileName); }), -1);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].caption, "Ошибка");
        EXPECT_EQ(messages.messages[0].text, "Ошибка открытия файла Microsoft Excel.");
        // the workbook of the earlier open is gone too
        EXPECT_EQ(handled([&] { return sheet.write(1, 1, 1, "x"); }), -1);
        EXPECT_EQ(messages.messages.back().caption, "Ошибочный номер листа Microsoft Excel");
        EXPECT_EQ(sheet.show(true), 1);
        EXPECT_TRUE(opened.isEmpty());
    }
}

TEST_F(SpreadsheetTest, AFileThatCannotBeWrittenIsReported) {
    ASSERT_EQ(sheet.open(""), 1);
    sheet.write(1, 1, 1, "x");
    replaceDocumentsByAFile();
    EXPECT_EQ(shownByAWindow(), -1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Ошибка");
    EXPECT_TRUE(messages.messages[0].text.startsWith("Ошибка записи файла " + documents + ": "))
        << qPrintable(messages.messages[0].text);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(sheet.lastFile().isEmpty());

    // once the folder is back, the same cells can still be shown
    ASSERT_TRUE(QFile::remove(documents));
    messages.clear();
    EXPECT_EQ(shown().at(1, 1), "s:x");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SpreadsheetTest, AFileNoProgramOpensIsNamed) {
    QStringList offered;
    sheet.setOpener([&](const QString& path) {
        offered << path;
        return false;
    });
    ASSERT_EQ(sheet.open(""), 1);
    sheet.write(1, 1, 1, "x");
    EXPECT_EQ(shownByAWindow(), 1);
    const QString path = documents + "/Книга1.xlsx";
    EXPECT_EQ(offered, QStringList{path});
    EXPECT_TRUE(opened.isEmpty()); // its own opener, not the default one
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Ошибка");
    EXPECT_EQ(messages.messages[0].text,
              "Файл сохранён: " + path + "\nПрограмма, которая открыла бы его, не найдена.");
    EXPECT_EQ(Xlsx(path).at(1, 1), "s:x");
}

// Saving to a path replaces what is there only with a whole file; a failure leaves the folder
// as it was. Neither the documents folder nor an opener is involved.
TEST_F(SpreadsheetTest, SaveToWritesTheWholeFileOrNothing) {
    QTemporaryDir out;
    const QString file = out.filePath("итог.xlsx");
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    ASSERT_TRUE(QDir(out.path()).mkdir("папка"));
    QFile inside(out.filePath("папка/файл"));
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();
    const QStringList before =
        QDir(out.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);

    ASSERT_EQ(sheet.openForSave(), 1);
    sheet.write(1, 1, 1, "новая");
    struct Case {
        QString path;
    };
    const Case failing[] = {{out.filePath("папка")}, {out.filePath("нет/итог.xlsx")}, {""}};
    for (const Case& c : failing) {
        SCOPED_TRACE(c.path.toStdString());
        messages.clear();
        EXPECT_EQ(handled([&] { return sheet.saveTo(c.path); }), -1);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].caption, "Ошибка");
        EXPECT_TRUE(messages.messages[0].text.startsWith("Ошибка записи файла " + c.path + ": "))
            << qPrintable(messages.messages[0].text);
        EXPECT_EQ(
            QDir(out.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
            before);
        EXPECT_TRUE(QFile::exists(out.filePath("папка/файл")));
    }
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");
    old.close();

    messages.clear();
    EXPECT_EQ(sheet.saveTo(file), 1);
    EXPECT_EQ(Xlsx(file).at(1, 1), "s:новая");
    EXPECT_EQ(QDir(out.path())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
              before);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(QDir(documents).exists());
}

// A path that names no regular file is refused and stays what it was; a link is written
// through to its file and stays a link; a file keeps its permissions.
TEST_F(SpreadsheetTest, SaveToRefusesWhatIsNoFileWritesThroughLinksAndKeepsModes) {
    QTemporaryDir out;
    const auto at = [&](const char* name) { return out.filePath(QString::fromUtf8(name)); };
    const auto kind = [](const QString& path) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return QString("-");
        return S_ISLNK(st.st_mode)    ? QString("link")
               : S_ISFIFO(st.st_mode) ? QString("fifo")
               : S_ISSOCK(st.st_mode) ? QString("socket")
               : S_ISCHR(st.st_mode)  ? QString("device")
               : S_ISDIR(st.st_mode)  ? QString("folder")
                                      : QString("file %1").arg(st.st_mode & 0777, 0, 8);
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("канал")).constData(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(at("сокет"));
    ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_TRUE(QFile::link("/dev/null", at("на-устройство")));
    const bool root = ::geteuid() == 0;
    if (root) { // a private copy of /dev/full
        ASSERT_EQ(
            ::mknod(QFile::encodeName(at("устройство")).constData(), S_IFCHR | 0666, makedev(1, 7)),
            0);
    }
    for (const auto& [name, mode] : {std::pair{"закрытый.xlsx", 0600}, {"группе.xlsx", 0640}}) {
        QFile f(at(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        ASSERT_TRUE(f.setPermissions(QFileDevice::Permissions()));
        ASSERT_EQ(::chmod(QFile::encodeName(at(name)).constData(), mode_t(mode)), 0);
    }
    QFile target(at("цель.xlsx"));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("old");
    target.close();
    ASSERT_TRUE(QFile::link(at("цель.xlsx"), at("ссылка.xlsx")));
    ASSERT_TRUE(QFile::link(at("будет.xlsx"), at("висячая.xlsx")));

    ASSERT_EQ(sheet.openForSave(), 1);
    sheet.write(1, 1, 1, "новая");
    struct Case {
        const char* path;
        bool saved;
        QString kindAfter;   // of the path itself
        const char* written; // the file that holds the book afterwards; nullptr: none
        QString writtenKind;
    };
    const QString umaskMode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return QString("file %1").arg(0666 & ~mask, 0, 8);
    }();
    std::vector<Case> cases = {
        {"канал", false, "fifo", nullptr, {}},
        {"сокет", false, "socket", nullptr, {}},
        {"на-устройство", false, "link", nullptr, {}},
        {"закрытый.xlsx", true, "file 600", "закрытый.xlsx", "file 600"},
        {"группе.xlsx", true, "file 640", "группе.xlsx", "file 640"},
        {"ссылка.xlsx", true, "link", "цель.xlsx", kind(at("цель.xlsx"))},
        {"висячая.xlsx", true, "link", "будет.xlsx", umaskMode},
        {"новый.xlsx", true, umaskMode, "новый.xlsx", umaskMode},
    };
    if (root)
        cases.push_back({"устройство", false, "device", nullptr, {}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        messages.clear();
        EXPECT_EQ(handled([&] { return sheet.saveTo(at(c.path)); }), c.saved ? 1 : -1);
        if (!c.saved) {
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_TRUE(messages.messages[0].text.contains("не обычный файл"))
                << messages.messages[0].text.toStdString();
        }
        EXPECT_EQ(kind(at(c.path)), c.kindAfter);
        if (c.written) {
            EXPECT_EQ(kind(at(c.written)), c.writtenKind);
            EXPECT_EQ(Xlsx(at(c.written)).at(1, 1), "s:новая");
        }
    }
    EXPECT_EQ(QDir(out.path()).entryList({".tabel-*"}, QDir::Hidden | QDir::Files), QStringList())
        << "no part file left";
    ::close(sock);
}

} // namespace
