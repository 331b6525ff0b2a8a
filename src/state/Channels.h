#pragma once

// The channels on which the server announces changes (db/own/70_smena_history.sql), and what
// their announcements say: the date, shift and id of a journal position or a timesheet row.

#include <QDate>
#include <QString>
#include <optional>

namespace state {

// Each with the payload "YYYY-MM-DD shift id": a journal position, and a timesheet row (its
// month's first day).
inline constexpr char journalChannel[] = "tabel_smena";
inline constexpr char timesheetChannel[] = "tabel_h_tabel";

struct Announcement {
    QDate date;
    int shift = 0;
    int id = 0;
};
std::optional<Announcement> parseAnnouncement(const QString& payload);

} // namespace state
