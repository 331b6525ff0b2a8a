#pragma once

#include <QString>
#include <functional>
#include <memory>

// A new spreadsheet filled one cell at a time and handed to the user as an .xlsx file in the
// documents folder. Results are 1; a failure throws data::Error with the text the user reads.
//
// Nothing reaches the disk before show(true): the cells wait in memory, so an export that
// stops half-way leaves no file behind, and a file once written is never written over.
namespace output {

// How a formatted write sets its cell.
struct CellFormat {
    bool asText = false;    // the cell stays text ("@") from now on, a number too
    bool fitColumn = false; // the column widens to the longest text written with this
    bool bold = false;      // sets or clears bold
};

class Spreadsheet {
public:
    // Opens a written file for the user; false when no program took it.
    using Opener = std::function<bool(const QString& path)>;

    Spreadsheet();
    ~Spreadsheet();
    Spreadsheet(const Spreadsheet&) = delete;
    Spreadsheet& operator=(const Spreadsheet&) = delete;

    // Starts a new workbook with the one sheet "Лист1", dropping the previous one. Opening
    // an existing file is not offered: a non-empty name fails, as does a documents folder
    // that cannot be made or written ("Ошибка открытия файла Microsoft Excel.").
    int open(const QString& fileName);

    // true: writes the workbook under a name not yet taken in the documents folder and opens
    // it; throws "Ошибка записи файла <folder>: <reason>" when the file could not be written,
    // and "Файл сохранён: <file>\nПрограмма, которая открыла бы его, не найдена." when it
    // was, but no program took it.
    // false, or no workbook: does nothing.
    int show(bool visible);

    // A text that is a plain decimal as the workstation writes it ("-12,5", "0", at most 15
    // digits) becomes a number; any other text is kept exactly as given. An empty text
    // changes nothing. Sheet, column and row count from 1. A write that cannot be made throws
    // "Ошибка при записи: лист S, столбец C, строка R", captioned "Ошибочный номер листа
    // Microsoft Excel" without a workbook or on a sheet other than 1, else "Ошибка Microsoft
    // Excel" (a cell or text beyond what a sheet holds).
    int write(int sheet, int column, int row, const QString& text);
    // The same, formatted.
    int writeFormatted(int sheet, int column, int row, const QString& text, CellFormat format);

    // A new workbook for saveTo(): as open(""), but no documents folder is looked at. 1.
    int openForSave();
    // Writes the workbook to path and opens nothing: under a temporary name beside it, renamed
    // to path (replacing a file there) only when complete, so a failure leaves no file and an
    // existing one as it was. Throws "Ошибка записи файла <path>: <reason>" when it could not.
    int saveTo(const QString& path);

    // The file the last show(true) wrote; empty when none was.
    QString lastFile() const { return lastFile_; }

    // Who opens the written file: this spreadsheet's own opener, else the process-wide one,
    // else the desktop's handler for .xlsx. Tests and benchmarks stop at the file.
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    static void setDefaultOpener(Opener opener);

private:
    struct Book;
    int put(int sheet, int column, int row, const QString& text, const CellFormat* format);
    bool saveAs(const QString& folder, QString& path, QString& reason) const;

    std::unique_ptr<Book> book_;
    Opener opener_;
    QString lastFile_;
};

} // namespace output
