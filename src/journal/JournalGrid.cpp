#include "JournalGrid.h"

#include "Positions.h"
#include "data/NumberText.h"
#include "data/ResultSet.h"
#include "data/Value.h"
#include "state/DataModule.h"

#include <QColor>
#include <QFont>

namespace journal {

namespace {

// Decimal numbers are shown with a comma, as they are typed.
using data::value::withDecimalComma;

// Some marks carry stray tabs from the ERP side; they only push the text aside.
QString withoutTabs(const QVariant& v) {
    return data::value::toString(v).remove(QLatin1Char('\t'));
}

QString money(const QVariant& v) {
    if (data::value::isNull(v))
        return {};
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? data::value::fixed(d, 2, QLatin1Char(',')) : data::value::toString(v);
}

QString day(const QVariant& v) {
    if (data::value::isNull(v))
        return {};
    const QDate d = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : data::value::toString(v);
}

} // namespace

std::vector<ui::ResultSetModel::Column> journalColumns() {
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment centre = Qt::AlignCenter;
    return {
        {QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 250, left},
        {QStringLiteral("marka"), QStringLiteral("Марка изделия"), 260, left, withoutTabs},
        {QStringLiteral("vid"), QStringLiteral("Операция"), 155, left},
        {QStringLiteral("nmn"), QStringLiteral("Вид"), 157, left},
        {QStringLiteral("s_caption_color"), QStringLiteral("Цвет"), 176, centre},
        {QStringLiteral("time"), QStringLiteral("Часы"), 45, right},
        {QStringLiteral("kol_vo"), QStringLiteral("Кол-во"), 57, right, withDecimalComma},
        {QStringLiteral("brak"), QStringLiteral("Брак"), 49, right},
        {QStringLiteral("summa"), QStringLiteral("Итого (р.)"), 78, right, money},
        // Kept for the reports; the journal does not show it.
        {QStringLiteral("prize"), QStringLiteral("Премия (%)"), 60, right, withDecimalComma, true},
        {QStringLiteral("ok"), QStringLiteral("OK"), 37, centre},
        {QStringLiteral("vvod"), QStringLiteral("Заведен"), 72, centre, day},
        {QStringLiteral("id_doc"), QStringLiteral("№ ЗВП"), 65, right},
    };
}

std::optional<QString> journalSortFor(int column, const QString& currentSort) {
    struct Sort {
        int column;
        const char* ascending;
        const char* descending;
    };
    static const Sort sorts[] = {
        {ColFio, "fio, id ASC", "fio DESC, id ASC"},
        {ColMarka, "marka, fio, id ASC", "marka DESC, fio, id ASC"},
        // The double space is how this expression has always read; the parser skips it.
        {ColVid, "vid, marka, fio, id  ASC", "vid DESC, marka, fio, id ASC"},
        // By the kind code, not by its text.
        {ColNmn, "naimen, marka, fio, id ASC", "naimen DESC, marka, fio, id ASC"},
        {ColKolVo, "kol_vo, marka, fio, id ASC", "kol_vo DESC, marka, fio, id ASC"},
        {ColSumma, "summa, marka, fio, id ASC", "summa DESC, marka, fio, id ASC"},
        {ColOk, "ok, marka, fio, id ASC", "ok DESC, marka, fio, id ASC"},
        {ColVvod, "vvod, marka, fio, id ASC", "vvod DESC, marka, fio, id ASC"},
        {ColIdDoc, "id_doc, marka, fio, id ASC", "id_doc DESC, marka, fio, id ASC"},
    };
    for (const Sort& sort : sorts) {
        if (sort.column != column)
            continue;
        // Only the direction of the previous sort counts, whichever title it came from.
        return QString::fromLatin1(currentSort.contains(QLatin1String("DESC")) ? sort.ascending
                                                                               : sort.descending);
    }
    return std::nullopt;
}

ui::ResultSetModel::CellRole acceptanceColours(const ui::ResultSetModel& model) {
    return [&model](int row, int column, int role) -> QVariant {
        if (column != ColOk || (role != Qt::ForegroundRole && role != Qt::FontRole))
            return {};
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        const data::ResultSet& rs = model.resultSet();
        const int field = rs.fieldIndex(QStringLiteral("ok"));
        const QString ok = field < 0 ? QString() : data::value::toString(rs.valueAt(row, field));
        return isAccepted(ok) ? QColor(0x00, 0x80, 0x00) : QColor(0xFF, 0x00, 0x00);
    };
}

void ForegroundKeepingDelegate::initStyleOption(QStyleOptionViewItem* option,
                                                const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant fg = index.data(Qt::ForegroundRole);
    if (fg.canConvert<QBrush>())
        option->palette.setBrush(QPalette::HighlightedText, qvariant_cast<QBrush>(fg));
}

data::ResultSet& selectedJournal(state::DataModule& dm) {
    const int shift = dm.session.selectedShift;
    return dm.journal(shift >= 1 && shift <= 4 ? shift : 1);
}

} // namespace journal
