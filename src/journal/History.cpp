#include "History.h"

#include "JournalGrid.h"
#include "JournalStatements.h"
#include "Positions.h"
#include "data/NumberText.h"
#include "data/ResultSet.h"
#include "data/Value.h"
#include "output/Spreadsheet.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace journal {

namespace {

// The position's fields in the journal's order; a field the journal shows takes the title of
// its column there.
// What a new or deleted position's listing shows of a field.
enum class Listed { Always, WhenSet, Never };
struct Field {
    const char* key;
    const char* journalColumn; // nullptr: the title below
    const char* title;
    Listed listed;
};
const Field fields[] = {
    {"data", nullptr, "Дата", Listed::Always},
    {"smena", nullptr, "Смена", Listed::Always},
    {"w_id", "fio", nullptr, Listed::Always},
    {"i_id", "marka", nullptr, Listed::Always},
    {"o_id", "vid", nullptr, Listed::Always},
    {"color", "s_caption_color", nullptr, Listed::WhenSet},
    {"time", "time", nullptr, Listed::Always},
    {"kol_vo", "kol_vo", nullptr, Listed::Always},
    {"brak", "brak", nullptr, Listed::Always},
    {"cena", nullptr, "Цена", Listed::Always},
    {"prize", "prize", nullptr, Listed::WhenSet},
    {"ok", "ok", nullptr, Listed::Always},
    {"vvod", "vvod", nullptr, Listed::Never},
    {"id_doc", "id_doc", nullptr, Listed::WhenSet},
    {"id_doc_item", nullptr, "Строка ЗВП", Listed::Never},
    {"f_gds_qty_use", nullptr, "Расход материала", Listed::Never},
    {"id_gds_use", nullptr, "Материал", Listed::Never},
    {"id_cons_use", nullptr, "Партия материала", Listed::Never},
    {"id_smena_from", nullptr, "Из позиции бригады №", Listed::WhenSet},
};

bool isSet(const QJsonValue& v) {
    return !v.isNull() && !v.isUndefined() && v != QJsonValue(0) && v != QJsonValue(QString());
}

QString titleOf(const Field& f) {
    if (!f.journalColumn)
        return QString::fromUtf8(f.title);
    static const std::vector<ui::ResultSetModel::Column> columns = journalColumns();
    for (const auto& c : columns)
        if (c.field == QLatin1String(f.journalColumn))
            return c.title;
    return QString::fromLatin1(f.key);
}

QString shown(const QString& key, const QJsonValue& v, const QJsonObject& names) {
    if (v.isNull() || v.isUndefined())
        return QStringLiteral("—");
    if (v.isDouble()) {
        const QString number = QString::number(v.toDouble(), 'g', 15);
        const QJsonValue name = names.value(key + QLatin1Char('=') + number);
        return name.isString() ? name.toString().remove(QLatin1Char('\t'))
                               : data::value::withDecimalComma(number);
    }
    const QString text = v.toString();
    if (key == QLatin1String("ok"))
        return isAccepted(text) ? QStringLiteral("принята") : QStringLiteral("не принята");
    if (key == QLatin1String("data"))
        return QDate::fromString(text, Qt::ISODate).toString(QStringLiteral("dd.MM.yyyy"));
    if (key == QLatin1String("vvod"))
        return QDateTime::fromString(text.left(19), Qt::ISODate)
            .toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    return text.isEmpty() ? QStringLiteral("«»") : text;
}

QJsonObject object(const QString& json) {
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

} // namespace

QString changeKindText(const QString& kind) {
    static const struct {
        const char* kind;
        const char* text;
    } kinds[] = {{"insert", "Добавлена"},
                 {"update", "Изменена"},
                 {"accept", "Принята"},
                 {"divide", "Разделена в бригаде"},
                 {"delete", "Удалена"},
                 // a month, not a position: its first day stands in the date
                 {"close", "Месяц закрыт"},
                 {"reopen", "Месяц открыт"}};
    for (const auto& k : kinds)
        if (kind == QLatin1String(k.kind))
            return QString::fromUtf8(k.text);
    return kind;
}

QStringList changeLines(const QString& kind, const QString& oldRow, const QString& newRow,
                        const QString& namesJson) {
    const QJsonObject before = object(oldRow), after = object(newRow), names = object(namesJson);
    const QString arrow = QStringLiteral(" → ");
    QStringList lines;
    const bool whole = kind == QLatin1String("insert") || kind == QLatin1String("delete") ||
                       (kind == QLatin1String("divide") && before.isEmpty());
    const QJsonObject& row = before.isEmpty() ? after : before;
    for (const Field& f : fields) {
        const QString key = QString::fromLatin1(f.key);
        if (whole) {
            if (f.listed == Listed::Always ||
                (f.listed == Listed::WhenSet && isSet(row.value(key))))
                lines << titleOf(f) + QStringLiteral(": ") + shown(key, row.value(key), names);
        } else if (before.contains(key)) {
            lines << titleOf(f) + QStringLiteral(": ") + shown(key, before.value(key), names) +
                         arrow + shown(key, after.value(key), names);
        }
    }
    return lines;
}

QStringList changeLines(const data::ResultSet& rows, int row) {
    auto text = [&](const char* field) {
        return data::value::toString(rows.valueAt(row, rows.fieldIndex(QLatin1String(field))));
    };
    return changeLines(text("kind"), text("old_row"), text("new_row"), text("names"));
}

std::vector<ui::ResultSetModel::Column> historyColumns() {
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const auto day = [](const QVariant& v) {
        return data::value::isNull(v) ? QString()
                                      : v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    };
    return {
        {QStringLiteral("at_text"), QStringLiteral("Когда"), 130, left},
        {QStringLiteral("login"), QStringLiteral("Кто"), 90, left},
        {QStringLiteral("kind"), QStringLiteral("Что"), 140, left,
         [](const QVariant& v) { return changeKindText(data::value::toString(v)); }},
        {QStringLiteral("id_smena"), QStringLiteral("Позиция №"), 75, right},
        {QStringLiteral("data"), QStringLiteral("Дата"), 75, left, day},
        {QStringLiteral("smena"), QStringLiteral("Смена"), 50, right},
        {QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 180, left},
        {QStringLiteral("changes"), QStringLiteral("Изменения"), 520, left},
    };
}

ui::ResultSetModel::CellRole historyTexts(const ui::ResultSetModel& model) {
    return [&model](int row, int column, int role) -> QVariant {
        if (column != int(model.columns().size()) - 1 ||
            (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const QStringList lines = changeLines(model.resultSet(), row);
        return lines.join(role == Qt::DisplayRole ? QStringLiteral("; ") : QStringLiteral("\n"));
    };
}

void openPeriodHistory(data::ResultSet& rows, const QDate& from, const QDate& to,
                       std::optional<int> worker) {
    rows.close();
    rows.setSql(statements::periodHistory());
    rows.setFreshPlans(true);
    // The name look-ups of a month's changes are costed high enough to switch on the server's
    // JIT compilation, which took longer than the whole read without it.
    rows.setServerSetting(QStringLiteral("jit"), QStringLiteral("off"));
    rows.setParam(QStringLiteral("from"), from);
    rows.setParam(QStringLiteral("to"), to);
    rows.setParam(QStringLiteral("w_id"), worker ? QVariant(*worker) : QVariant());
    rows.open();
}

void writeHistory(data::ResultSet& rows, output::Spreadsheet& book) {
    constexpr output::CellFormat heading{.asText = true, .fitColumn = true, .bold = true};
    constexpr output::CellFormat text{.asText = true, .fitColumn = true};
    constexpr output::CellFormat number{.fitColumn = true};
    const std::vector<ui::ResultSetModel::Column> columns = historyColumns();
    for (size_t c = 0; c < columns.size(); ++c)
        book.writeFormatted(1, int(c) + 1, 1, columns[c].title, heading);
    for (int r = 0; r < rows.rowCount(); ++r) {
        for (size_t c = 0; c + 1 < columns.size(); ++c) {
            const QVariant v = rows.valueAt(r, rows.fieldIndex(columns[c].field));
            const QString shown =
                columns[c].format ? columns[c].format(v) : data::value::toString(v);
            const bool isNumber = columns[c].alignment & Qt::AlignRight;
            book.writeFormatted(1, int(c) + 1, r + 2, shown, isNumber ? number : text);
        }
        book.writeFormatted(1, int(columns.size()), r + 2,
                            changeLines(rows, r).join(QStringLiteral("; ")), text);
    }
}

void exportPeriodHistory(data::Connection& connection, const QDate& from, const QDate& to,
                         std::optional<int> worker, output::Spreadsheet& book) {
    data::ResultSet rows(connection, QStringLiteral("History"));
    openPeriodHistory(rows, from, to, worker);
    writeHistory(rows, book);
}

} // namespace journal
