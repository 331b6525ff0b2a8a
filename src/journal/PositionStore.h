#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace data {
class Command;
}
namespace state {
class DataModule;
}

// Writing one journal position as the position dialog saves it: the position and the day
// cells it touches, in one transaction, built from typed text that can never change what the
// statements mean.
namespace journal {

// What the dialog holds for a position. Typed boxes come as typed (comma decimals).
struct PositionValues {
    int workerCode = 0;
    int productId = 0;
    int operationId = 0;
    double finalPrice = 0;
    QString quantity;
    QString rejects;
    QString hours;
    QDate date;
    int shift = 1;
    // A new position only: the requisition line, and by goods the goods item and its colour.
    int requisitionId = 0;
    int requisitionItemId = 0;
    int goodsId = 0;
    int colorId = 0;
    // The dialog's own, never stored: the picked person, what the chosen line still requires,
    // and the base price of a picked operation (none for a position read from the journal).
    int personId = 0;
    double requiredQuantity = 0;
    std::optional<double> basePrice;
};

class PositionStore {
public:
    explicit PositionStore(state::DataModule& dm);

    // Stores a new position ('no', no bonus) and rolls up its worker's day; returns its id,
    // known only once both are committed.
    int insert(const PositionValues& values, const QDate& today);

    // Changes a position that is not accepted now, and rolls up its worker's day, and the day
    // it was moved from. Its colour, goods item and requisition stay as stored.
    void update(int id, const PositionValues& values, const QDate& today);

    // The hours a day holds; one position's "Время" above it is refused.
    static constexpr int dayHours = 24;
    // The worker's hours on the date in his other positions (of any shift) as the server holds
    // them now; `id` is the position being saved, 0 for a new one.
    qint64 otherDayHours(int workerCode, const QDate& date, int id) const;

private:
    struct Checked {
        QString price, quantity, rejects, hours;
    };
    static Checked check(const PositionValues& values);
    static void bindValues(data::Command& write, const PositionValues& values,
                           const Checked& checked, const QDate& today);

    state::DataModule& dm_;
};

} // namespace journal
