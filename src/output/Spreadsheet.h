#pragma once

#include <QString>
#include <functional>
#include <memory>

// A new spreadsheet filled one cell at a time and handed to the user as an .xlsx file in the
// documents folder. Results are 1 or -1; every failure is told through ui::Messages.
//
// Nothing reaches the disk before show(true): the cells wait in memory, so an export that
// stops half-way leaves no file behind, and a file once written is never written over.
namespace output {

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
    // that cannot be made or written.
    int open(const QString& fileName);

    // true: writes the workbook under a name not yet taken in the documents folder and opens
    // it; -1 when the file could not be written. false, or no workbook: does nothing, 1.
    int show(bool visible);

    // A text that is a plain decimal as the workstation writes it ("-12,5", "0", at most 15
    // digits) becomes a number; any other text is kept exactly as given. An empty text
    // changes nothing. Sheet, column and row count from 1.
    int write(int sheet, int column, int row, const QString& text);
    // The same, and: asText keeps the text as text ("@") from now on; fitColumn widens the
    // column to the longest text written with it; bold sets or clears bold.
    int writeFormatted(int sheet, int column, int row, const QString& text, bool asText,
                       bool fitColumn, bool bold);

    // A new workbook for saveTo(): as open(""), but no documents folder is looked at. 1.
    int openForSave();
    // Writes the workbook to path and opens nothing: under a temporary name beside it, renamed
    // to path (replacing a file there) only when complete, so a failure leaves no file and an
    // existing one as it was. -1, with the path and the reason told, when it could not.
    int saveTo(const QString& path);

    // The file the last show(true) wrote; empty when none was.
    QString lastFile() const { return lastFile_; }

    // Who opens the written file: this spreadsheet's own opener, else the process-wide one,
    // else the desktop's handler for .xlsx. Tests and benchmarks stop at the file.
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    static void setDefaultOpener(Opener opener);

private:
    struct Format;
    struct Book;
    int put(int sheet, int column, int row, const QString& text, const Format* format);
    bool saveAs(const QString& folder, QString& path, QString& reason) const;

    std::unique_ptr<Book> book_;
    Opener opener_;
    QString lastFile_;
};

} // namespace output
