#pragma once

#include <QString>

class QWidget;

namespace app {

// Switches the journal window's controls by login name, compared exactly.
void applyRoleRules(QWidget& journal, const QString& loginName);

// Whether the login may use the reports ("Отчеты"), in the windows and on the command line.
bool mayUseReports(const QString& loginName);

// Removes leading and trailing characters up to U+0020; letter case stays.
QString trimLogin(const QString& text);

} // namespace app
