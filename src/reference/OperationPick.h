#pragma once

#include <QString>
#include <optional>

// What the operations picker hands to the position being entered: the operation, its
// product, its price and the price to be paid that day.
namespace reference {

struct PriceInForce {
    double basePrice;  // the lowest norm price, rounded to 4 places
    double finalPrice; // doubled on a day off, then x1.2 in shift 3 or x1.5 in shift 4
};

PriceInForce priceInForce(double lowestPrice, bool dayOff, int shift);

struct OperationPick {
    int operationId;
    int productId;
    double basePrice;
    double finalPrice;
    QString description; // "mark; type; kind"
};

// What the position being entered tells the picker.
struct OperationPickRequest {
    std::optional<int> startOperation;     // the position's operation, when it has one
    std::optional<int> requisitionProduct; // the chosen requisition's product
    bool dayOff = false;
    int shift = 1;
};

} // namespace reference
