#include "Pickers.h"

#include "data/Error.h"
#include "data/NumberText.h"
#include "state/DataModule.h"

#include <QPushButton>

namespace reference {

int requiredId(const data::ResultSet& rows, const QString& field) {
    if (rows.isNull(field))
        throw data::ConversionError(QStringLiteral("Пустое значение поля %1").arg(field));
    return rows.asInt(field);
}

namespace {

using data::value::withDecimalComma;
const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;

} // namespace

WorkersList::WorkersList(state::DataModule& dm, QWidget* parent)
    : ReferenceList(dm, dm.workers,
                    {"TForm5",
                     QStringLiteral("Список рабочих"),
                     {690, 480},
                     {{QStringLiteral("fio"), QStringLiteral("ФИО"), 373, left},
                      {QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность"), 277, left}},
                     QStringLiteral("fio"),
                     SearchKeys::TypingOnly,
                     RowButtons::None},
                    parent) {}

std::optional<PickedWorker> WorkersList::pick() {
    taken_.reset();
    runPicker();
    return taken_;
}

void WorkersList::takeCurrentRow() {
    taken_ = PickedWorker{query_.asString(QStringLiteral("fio")).trimmed(),
                          requiredId(query_, QStringLiteral("id")),
                          requiredId(query_, QStringLiteral("p_id"))};
}

ProductsList::ProductsList(state::DataModule& dm, QWidget* parent)
    : ReferenceList(
          dm, dm.products,
          {"TForm3",
           QStringLiteral("Изделия"),
           {420, 480},
           {{QStringLiteral("marka"), QStringLiteral("Марка изделия"), 315, left},
            {QStringLiteral("massa"), QStringLiteral("Коробки"), 67, left, withDecimalComma}},
           QStringLiteral("marka"),
           SearchKeys::All,
           RowButtons::AddAndDelete},
          parent) {
    // The layout holds them, but products are not edited here; "Выбрать" is the picker's.
    for (QPushButton* b : {addRowButton_, deleteButton_})
        b->hide();
}

std::optional<PickedProduct> ProductsList::pick() {
    taken_.reset();
    runPicker();
    return taken_;
}

void ProductsList::takeCurrentRow() {
    const int place = query_.recNo();
    taken_ = PickedProduct{query_.asString(QStringLiteral("marka")).trimmed(),
                           requiredId(query_, QStringLiteral("id"))};
    query_.moveTo(place);
}

} // namespace reference
