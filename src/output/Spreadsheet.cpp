#include "Spreadsheet.h"

#include "WholeFile.h"
#include "data/Error.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QUrl>
#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <vector>
#include <xlsxwriter.h>

namespace output {

namespace {

// The limits of an .xlsx sheet.
constexpr int maxRow = 1048576;
constexpr int maxColumn = 16384;
constexpr qsizetype maxText = 32767;
constexpr int maxDigits = 15; // what a double holds exactly
constexpr double maxWidth = 255;

Spreadsheet::Opener& defaultOpener() {
    static Spreadsheet::Opener opener;
    return opener;
}

// A number only when nothing can be lost: "3-12" stays a mark, not a date, "007" keeps its
// zeros and "1.10" its point, since the workstation writes decimals with a comma.
bool plainDecimal(QStringView text, double& value) {
    char buffer[maxDigits + 3];
    int length = 0, digits = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && text[i] == u'-') {
        buffer[length++] = '-';
        ++i;
    }
    const qsizetype integerStart = i;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (++digits > maxDigits)
            return false;
        buffer[length++] = char(text[i].unicode());
    }
    if (i == integerStart || (i - integerStart > 1 && text[integerStart] == u'0'))
        return false;
    if (i < n && text[i] == u',') {
        buffer[length++] = '.';
        const qsizetype fractionStart = ++i;
        for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            if (++digits > maxDigits)
                return false;
            buffer[length++] = char(text[i].unicode());
        }
        if (i == fractionStart)
            return false;
    }
    if (i != n)
        return false;
    const auto result = std::from_chars(buffer, buffer + length, value);
    value += 0.0; // "-0" is the number 0
    return result.ec == std::errc();
}

// Column width in widths of "0", as the spreadsheet measures it, estimated from the letters:
// no font is at hand here, and a column a little too wide is harmless.
double textWidth(QStringView text, bool bold) {
    static const QString narrow = QStringLiteral(" .,:;'!|()-iljtfrIJ");
    static const QString wide = QStringLiteral("mwMWжшщыюмЖШЩЫЮМ@%");
    double units = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        if (narrow.contains(c))
            units += 0.5;
        else if (wide.contains(c))
            units += 1.5;
        else if (c.isUpper())
            units += 1.25;
        else
            units += 1.0;
    }
    return std::min(maxWidth, units * (bold ? 1.08 : 1.0) + 1.0);
}

// A code unit the file's XML cannot hold as it is, which the writing library leaves alone:
// NUL (it would end the text there), U+FFFE, U+FFFF and a surrogate without its pair. The
// library itself escapes the other control characters.
bool unwritable(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    if (c == 0 || c == 0xFFFE || c == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(c))
        return i + 1 >= text.size() || !text[i + 1].isLowSurrogate();
    return QChar::isLowSurrogate(c) && (i == 0 || !text[i - 1].isHighSurrogate());
}

// The file format reads "_x0041_" as "A"; its own escape for "_" keeps such text as it is, and
// the same escape carries what XML cannot hold, so the file stays well-formed and reads back
// as written.
QString escapedForFile(const QString& text) {
    QString out = text;
    if (out.contains(QLatin1String("_x"))) {
        // Every "_" that could open an escape, whatever follows: "_x0041" before an escaped
        // character, or two escapes sharing an underscore, would read back changed.
        static const QRegularExpression escapeLike(QStringLiteral("_(?=x[0-9A-Fa-f]{4})"));
        out.replace(escapeLike, QStringLiteral("_x005F_"));
    }
    for (qsizetype i = out.size() - 1; i >= 0; --i)
        if (unwritable(out, i))
            out.replace(i, 1,
                        QStringLiteral("_x%1_").arg(QString::number(out[i].unicode(), 16)
                                                        .toUpper()
                                                        .rightJustified(4, QLatin1Char('0'))));
    return out;
}

// The limit holds for the text the sheet shows and for the text handed to the library, which
// counts the letters of its escaped form: a few escaped characters take a text at the limit
// past it, and the whole export would fail at the end.
bool fitsACell(const QString& text) {
    constexpr qsizetype longestEscape = 7; // "_x0000_"
    if (text.size() > maxText)
        return false;
    if (text.size() * longestEscape <= maxText)
        return true;
    const QString escaped = escapedForFile(text);
    qsizetype letters = escaped.size();
    for (const QChar c : escaped)
        if (c.isLowSurrogate())
            --letters; // the pair is one letter (escaping left no lone half)
    return letters <= maxText;
}

QString writeError(int sheet, int column, int row) {
    return QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3")
        .arg(sheet)
        .arg(column)
        .arg(row);
}

QString bookName(const QString& folder, int number) {
    return folder + QStringLiteral("/Книга%1.xlsx").arg(number);
}

// The documents folder, made when missing; empty with the reason when there is none.
QString documentsFolder(QString& reason) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        reason = QStringLiteral("папка документов пользователя не определена");
        return {};
    }
    if (!QDir().mkpath(folder)) {
        reason = QStringLiteral("не удалось создать папку ") + folder;
        return {};
    }
    return folder;
}

} // namespace

// The cells of sheet 1 in row and column order, as the file wants them.
struct Spreadsheet::Book {
    struct Cell {
        explicit Cell(int c) : column(c) {}
        int column;
        bool asText = false;
        bool bold = false;
        bool isNumber = false;
        double number = 0;
        QString text;
    };
    struct Row {
        explicit Row(int r) : row(r) {}
        int row;
        std::vector<Cell> cells;
    };
    std::vector<Row> rows;
    std::unordered_map<int, double> widths; // fitted columns

    // Exports write in order; the searches are for the rare write behind the last one.
    template <class T, class Key> static T& at(std::vector<T>& items, int key, Key keyOf) {
        if (items.empty() || keyOf(items.back()) < key) {
            items.emplace_back(key);
            return items.back();
        }
        auto it = std::lower_bound(items.begin(), items.end(), key,
                                   [&](const T& item, int k) { return keyOf(item) < k; });
        if (it == items.end() || keyOf(*it) != key)
            it = items.emplace(it, key);
        return *it;
    }
    Cell& cell(int row, int column) {
        Row& r = at(rows, row, [](const Row& x) { return x.row; });
        return at(r.cells, column, [](const Cell& x) { return x.column; });
    }

    bool save(const QString& path, QString& reason) const;
};

bool Spreadsheet::Book::save(const QString& path, QString& reason) const {
    // Constant memory: rows go straight to the file, the cells are already in order.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook* workbook = workbook_new_opt(fileName.constData(), &options);
    if (!workbook) {
        reason = QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Лист1");
    // One format per combination, made when first used.
    lxw_format* formats[4] = {};
    const auto formatOf = [&](const Cell& c) -> lxw_format* {
        const int i = (c.asText ? 1 : 0) | (c.bold ? 2 : 0);
        if (i != 0 && !formats[i]) {
            formats[i] = workbook_add_format(workbook);
            if (c.asText)
                format_set_num_format_index(formats[i], 49); // the built-in "@"
            if (c.bold)
                format_set_bold(formats[i]);
        }
        return formats[i];
    };
    lxw_error failed = LXW_NO_ERROR;
    for (const auto& [column, width] : widths) {
        const lxw_error e = worksheet_set_column(sheet, lxw_col_t(column - 1),
                                                 lxw_col_t(column - 1), width, nullptr);
        if (failed == LXW_NO_ERROR)
            failed = e;
    }
    QStringEncoder utf8(QStringEncoder::Utf8);
    std::vector<char> buffer;
    for (const Row& r : rows) {
        for (const Cell& c : r.cells) {
            lxw_error e;
            if (c.isNumber) {
                e = worksheet_write_number(sheet, lxw_row_t(r.row - 1), lxw_col_t(c.column - 1),
                                           c.number, formatOf(c));
            } else {
                const QString text = escapedForFile(c.text);
                buffer.resize(size_t(utf8.requiredSpace(text.size())) + 1);
                *utf8.appendToBuffer(buffer.data(), text) = '\0';
                e = worksheet_write_string(sheet, lxw_row_t(r.row - 1), lxw_col_t(c.column - 1),
                                           buffer.data(), formatOf(c));
            }
            if (failed == LXW_NO_ERROR)
                failed = e;
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (failed == LXW_NO_ERROR)
        failed = closed;
    if (failed != LXW_NO_ERROR)
        reason = QString::fromUtf8(lxw_strerror(failed));
    return failed == LXW_NO_ERROR;
}

Spreadsheet::Spreadsheet() = default;
Spreadsheet::~Spreadsheet() = default;

void Spreadsheet::setDefaultOpener(Opener opener) {
    defaultOpener() = std::move(opener);
}

int Spreadsheet::open(const QString& fileName) {
    book_.reset();
    QString reason, probe;
    const QString folder = fileName.isEmpty() ? documentsFolder(reason) : QString();
    // The folder must take a file now, not only when the export is done.
    if (folder.isEmpty() || !createPartFile(folder, probe, reason))
        throw data::Error(QStringLiteral("Ошибка открытия файла Microsoft Excel."));
    QFile::remove(probe);
    book_ = std::make_unique<Book>();
    return 1;
}

int Spreadsheet::show(bool visible) {
    // Hiding would hide nothing of a file not yet written, and must not hide the user's work.
    if (!visible || !book_)
        return 1;
    lastFile_.clear();
    QString reason;
    const QString folder = documentsFolder(reason);
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !saveAs(folder, path, reason))
        throw data::Error(QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") +
                          reason);
    lastFile_ = path;
    const Opener& opener = opener_ ? opener_ : defaultOpener();
    const bool opened =
        opener ? opener(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    // The file stays written: the user may open it by hand.
    if (!opened)
        throw data::Error(QStringLiteral("Файл сохранён: ") + path +
                          QStringLiteral("\nПрограмма, которая открыла бы его, не найдена."));
    return 1;
}

int Spreadsheet::openForSave() {
    book_ = std::make_unique<Book>();
    return 1;
}

int Spreadsheet::saveTo(const QString& path) {
    QString reason = QStringLiteral("книга не открыта");
    const bool saved =
        book_ &&
        writeWhole(
            path, [this](const QString& part, QString& why) { return book_->save(part, why); },
            reason);
    if (!saved)
        throw data::Error(QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") +
                          reason);
    return 1;
}

bool Spreadsheet::saveAs(const QString& folder, QString& path, QString& reason) const {
    path = bookName(folder, 1);
    QString part;
    if (!createPartFile(folder, part, reason))
        return false;
    if (!book_->save(part, reason)) {
        QFile::remove(part);
        return false;
    }
    // The first free name; a rename never replaces a file, so a name taken meanwhile is
    // skipped too.
    for (int number = 1;; ++number) {
        path = bookName(folder, number);
        if (QFile::exists(path))
            continue;
        QFile file(part);
        if (file.rename(path))
            return true;
        if (!QFile::exists(path)) {
            reason = file.errorString();
            QFile::remove(part);
            return false;
        }
    }
}

int Spreadsheet::write(int sheet, int column, int row, const QString& text) {
    return put(sheet, column, row, text, nullptr);
}

int Spreadsheet::writeFormatted(int sheet, int column, int row, const QString& text,
                                CellFormat format) {
    return put(sheet, column, row, text, &format);
}

int Spreadsheet::put(int sheet, int column, int row, const QString& text,
                     const CellFormat* format) {
    if (text.isEmpty())
        return 1;
    if (!book_ || sheet != 1)
        throw data::Error::captioned(QStringLiteral("Ошибочный номер листа Microsoft Excel"),
                                     writeError(sheet, column, row));
    if (column < 1 || column > maxColumn || row < 1 || row > maxRow || !fitsACell(text))
        throw data::Error::captioned(QStringLiteral("Ошибка Microsoft Excel"),
                                     writeError(sheet, column, row));
    Book::Cell& cell = book_->cell(row, column);
    // The text format is set before the value, so the value written with it stays text.
    if (format && format->asText)
        cell.asText = true;
    cell.text = text;
    cell.isNumber = !cell.asText && plainDecimal(text, cell.number);
    if (format) {
        cell.bold = format->bold;
        if (format->fitColumn) {
            double& width = book_->widths[column];
            width = std::max(width, textWidth(text, format->bold));
        }
    }
    return 1;
}

} // namespace output
