#include "CommandLine.h"

#include "BatchCommand.h"
#include "BuildStamp.h"
#include "SchemaVersion.h"

#include <QTextStream>

namespace app {

namespace {

bool isHelp(const QString& a) {
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}

// Qt's own options, which QApplication takes out of the command line before the program reads
// it; they pass unchecked. Qt also takes them with two dashes.
enum class QtValue { None, Next, NextOrEquals };
struct QtOption {
    const char* name;
    QtValue value;
};
constexpr QtOption qtOptions[] = {
    {"platform", QtValue::Next},        {"platformpluginpath", QtValue::Next},
    {"platformtheme", QtValue::Next},   {"plugin", QtValue::Next},
    {"qwindowgeometry", QtValue::Next}, {"qwindowicon", QtValue::Next},
    {"qwindowtitle", QtValue::Next},    {"session", QtValue::Next},
    {"display", QtValue::Next},         {"geometry", QtValue::Next},
    {"style", QtValue::NextOrEquals},   {"stylesheet", QtValue::NextOrEquals},
    {"reverse", QtValue::None},         {"widgetcount", QtValue::None},
};

// How many arguments a Qt option at arguments[i] uses up (the option and its value); 0 when
// it is none of Qt's or lacks its value.
int qtOptionLength(const QStringList& arguments, int i) {
    QString name = arguments[i].mid(arguments[i].startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    const bool valueAttached = equals >= 0;
    if (valueAttached)
        name.truncate(equals);
    for (const QtOption& o : qtOptions) {
        if (name != QLatin1String(o.name))
            continue;
        if (valueAttached)
            return o.value == QtValue::NextOrEquals ? 1 : 0;
        if (o.value == QtValue::None)
            return 1;
        return i + 1 < arguments.size() ? 2 : 0;
    }
    return 0;
}

enum class Answer { GoOn, Help, Version, Usage };

// The windows' start takes SERVER DATABASE (either may be left out), --report-server S,
// --report-db DB and Qt's options.
Answer checkWindowsStart(const QStringList& arguments) {
    int positional = 0;
    for (int i = 1; i < arguments.size();) {
        const QString& a = arguments[i];
        if (isHelp(a))
            return Answer::Help;
        if (a == QLatin1String("--version"))
            return Answer::Version;
        if (a == QLatin1String("--report-server") || a == QLatin1String("--report-db")) {
            if (i + 1 >= arguments.size())
                return Answer::Usage;
            i += 2;
        } else if (a.startsWith(QLatin1Char('-'))) {
            const int length = qtOptionLength(arguments, i);
            if (length == 0)
                return Answer::Usage;
            i += length;
        } else {
            if (++positional > 2)
                return Answer::Usage;
            ++i;
        }
    }
    return Answer::GoOn;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString usageText() {
    QString batch = batchUsage();
    batch.replace(QLatin1String("usage: "), QLatin1String("       "));
    return QStringLiteral("usage: tabel [--report-server S [--report-db DB]] [SERVER DATABASE]\n") +
           batch + QStringLiteral("       tabel --help | --version\n");
}

QString helpText() {
    return QStringLiteral("Табель — журнал сдельных работ и табель производственного отдела.\n\n") +
           usageText() +
           QStringLiteral(
               "\n"
               "Без команды открывается окно входа в базу DATABASE на сервере SERVER (имя\n"
               "сервера или папка его сокета, если начинается с /). Без них сервер и база\n"
               "берутся из /etc/tabel/tabel.conf и ~/.local/share/tabel/tabel.conf, а если\n"
               "их нет и там, — заданные при сборке.\n"
               "  --report-server S, --report-db DB   сервер отчетов (резервная копия\n"
               "      основного сервера) и его база; без них — из\n"
               "      ~/.local/share/tabel/t_report.txt, иначе отчеты читаются с основного.\n"
               "\n"
               "Команды report, export и history пишут без окна отчет в PDF, сводную выгрузку\n"
               "или историю изменений в XLSX.\n"
               "  --from D, --to D   период с --from до --to, не включая его; D — ДД.ММ.ГГГГ;\n"
               "                     по умолчанию прошлый месяц\n"
               "  --kind 0|1         только готовая продукция (0) или заготовки (1)\n"
               "  --worker N         изменения одного работника, по табельному номеру\n"
               "  --pdf FILE, --xlsx FILE   файл, который пишется\n"
               "  --server S, --db DB   сервер и база, как для окна\n"
               "  --user LOGIN       имя входа; пароль берется из PGPASSWORD или ~/.pgpass\n"
               "\n"
               "Команда month закрывает (close) или открывает (reopen) месяц: сервер не дает\n"
               "изменять позиции, материалы и табель закрытого месяца; status перечисляет\n"
               "закрытые месяцы. Закрывают только члены группы сервера tabel_closer.\n"
               "  --month MM.YYYY    месяц, который закрывается или открывается\n"
               "\n"
               "  --help, -h         эта справка\n"
               "  --version          версия программы и нужная ей версия схемы журнала\n"
               "\n"
               "Код выхода: 0 — готово, 1 — ошибка, 2 — неверные аргументы.\n"
               "Подробнее: man tabel; база данных: man tabel-db.\n");
}

QString versionText() {
    const BuildStamp stamp = currentBuildStamp();
    // The stamp also as the login window's caption and the database's accounts_dep.ver hold it.
    return QStringLiteral("tabel %1, сборка %2.%3.%4 %5:%6:%7 (build: %8.%9)\n")
               .arg(QStringLiteral(TABEL_VERSION), twoDigits(stamp.date % 100),
                    twoDigits(stamp.date / 100 % 100), QString::number(stamp.date / 10000),
                    twoDigits(stamp.time / 3600), twoDigits(stamp.time / 60 % 60),
                    twoDigits(stamp.time % 60), QString::number(stamp.date))
               .arg(stamp.time) +
           QStringLiteral("Версия схемы журнала: %1\n").arg(schemaVersionOfThisBuild());
}

std::optional<int> answerCommandLine(const QStringList& arguments, QTextStream& out,
                                     QTextStream& err) {
    Answer answer = Answer::GoOn;
    if (isBatchCommand(arguments)) {
        // A batch command checks its own arguments; only its help is answered here.
        for (qsizetype i = 2; i < arguments.size(); ++i)
            if (isHelp(arguments[i]))
                answer = Answer::Help;
    } else {
        answer = checkWindowsStart(arguments);
    }
    switch (answer) {
    case Answer::GoOn:
        return std::nullopt;
    case Answer::Help:
        out << helpText();
        return 0;
    case Answer::Version:
        out << versionText();
        return 0;
    case Answer::Usage:
        err << usageText();
        return BatchBadArguments;
    }
    return std::nullopt;
}

} // namespace app
