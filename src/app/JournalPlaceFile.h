#pragma once

#include <QString>

// The user's choice whether the journal stays on the date shown after another window,
// kept beside the style file as the single line "1" (stay) or "0".
namespace app {

QString stayOnDateFilePath();

// A missing or unreadable file, or any other first line, is "0": back to today.
bool readStayOnDate(const QString& path);

void writeStayOnDate(const QString& path, bool on);

} // namespace app
