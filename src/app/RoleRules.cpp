#include "RoleRules.h"

#include <QAction>
#include <QWidget>

namespace app {

namespace {

bool isReadOnlyOperator(const QString& loginName) {
    return loginName == QLatin1String("operator1") || loginName == QLatin1String("operator2") ||
           loginName == QLatin1String("operator3");
}

void enable(QWidget& journal, const char* name, bool on) {
    if (auto* w = journal.findChild<QWidget*>(QLatin1String(name)))
        w->setEnabled(on);
    else if (auto* a = journal.findChild<QAction*>(QLatin1String(name)))
        a->setEnabled(on);
    else
        qWarning("journal window has no control %s", name);
}

} // namespace

QString trimLogin(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

bool mayUseReports(const QString& loginName) {
    return !isReadOnlyOperator(loginName);
}

void applyRoleRules(QWidget& journal, const QString& loginName) {
    const bool readOnlyOperator = isReadOnlyOperator(loginName);
    const bool mayAccept = readOnlyOperator || loginName == QLatin1String("sys") ||
                           loginName == QLatin1String("operator4");
    for (const char* name : {"Button1", "Button2", "Button3"})
        enable(journal, name, !readOnlyOperator);
    enable(journal, "Button5", mayAccept);
    for (const char* name : {"N2", "N11"})
        enable(journal, name, !readOnlyOperator);
    enable(journal, "N7", mayUseReports(loginName));

    // The economist only reads reports; everything else is locked, rule 2 underneath.
    const bool econom = loginName == QLatin1String("econom");
    for (const char* name : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4",
                             "CBox1", "Button8", "DBGrid2", "DateT"})
        enable(journal, name, !econom);
    if (econom) {
        for (const char* name : {"Button1", "Button2", "Button3", "N2", "N11"})
            enable(journal, name, false);
    }
}

} // namespace app
