#pragma once

// Reading back the .xlsx files the program writes, as a spreadsheet program reads them, and a
// throw-away home whose documents folder receives them.
#include "TestDatabase.h" // QString printed as text

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace xlsx {

// "B3" for column 2, row 3.
QString ref(int column, int row);

// One member of the zip file, as `unzip -p` gives it.
QByteArray member(const QString& file, const QString& name);

// What a spreadsheet program reads from the file: each cell as "n:12.5" (number) or
// "s:text" (text), followed by " @" for the text format and " b" for bold; column widths.
struct Xlsx {
    QMap<QString, QString> cells;
    QMap<int, double> widths;
    QString sheetName;

    QString at(int column, int row) const { return cells.value(ref(column, row)); }
    explicit Xlsx(const QString& file);
};

// While alive, HOME points at a fresh folder, so exports land in its documents folder, and
// written files are recorded instead of opened.
class ThrowAwayHome {
public:
    ThrowAwayHome();
    ~ThrowAwayHome();
    ThrowAwayHome(const ThrowAwayHome&) = delete;
    ThrowAwayHome& operator=(const ThrowAwayHome&) = delete;

    QString path() const { return home_.path(); }
    QString documents;
    QStringList opened;

private:
    QTemporaryDir home_;
    QByteArray savedHome_, savedConfig_;
};

} // namespace xlsx
