#pragma once

// The history of the journal's positions as the server logs it (accounts_dep.smena_log): its
// texts in the words of the journal's column titles, and its export; its statements are the
// journal's (JournalStatements.h).

#include "ui/ResultSetModel.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace data {
class Connection;
class ResultSet;
} // namespace data

namespace output {
class Spreadsheet;
}

namespace journal {

// "Изменена", "Принята", ... for the log's kind.
QString changeKindText(const QString& kind);

// The change as lines "Кол-во: 6 → 8" for an update, an acceptance or a division, and as
// "Кол-во: 6" of what the position held for an insert or a deletion. oldRow and newRow are
// the log's JSON; names maps "w_id=501" to the worker's name (and i_id, o_id alike).
QStringList changeLines(const QString& kind, const QString& oldRow, const QString& newRow,
                        const QString& names);
// The same for the current row of a history query.
QStringList changeLines(const data::ResultSet& rows, int row);

// The history grid's columns; "changes" is filled by historyTexts.
std::vector<ui::ResultSetModel::Column> historyColumns();
ui::ResultSetModel::CellRole historyTexts(const ui::ResultSetModel& model);

// Opens the period's history into rows.
void openPeriodHistory(data::ResultSet& rows, const QDate& from, const QDate& to,
                       std::optional<int> worker);
// Writes the opened rows into a new workbook's sheet 1, a heading first.
void writeHistory(data::ResultSet& rows, output::Spreadsheet& book);
// The period's history into the workbook (the batch command's "history").
void exportPeriodHistory(data::Connection& connection, const QDate& from, const QDate& to,
                         std::optional<int> worker, output::Spreadsheet& book);

} // namespace journal
