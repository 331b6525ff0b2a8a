#pragma once

#include <QString>

// The visual style the user chose, kept as the first line of t_style.txt in the user's
// application-data folder.
namespace app {

QString styleFilePath();

// The stored style name. A missing file, an empty one or one whose first line is empty is
// (re)written with "Windows", which is then the name.
QString readStyleName(const QString& path);

// Writes the name as the file's single line, ending in CR LF.
void writeStyleName(const QString& path, const QString& name);

// Applies a style by name; an unknown name is reported naming it and the look stays as it
// was. Returns false for an unknown name.
bool applyStyle(const QString& name);

} // namespace app
