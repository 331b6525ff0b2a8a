#include "OperationPick.h"

#include "data/Value.h"

namespace reference {

PriceInForce priceInForce(double lowestPrice, bool dayOff, int shift) {
    const double base = data::value::rounded(lowestPrice, 4);
    double final = dayOff ? base * 2 : base;
    if (shift == 3)
        final *= 1.2;
    else if (shift == 4)
        final *= 1.5;
    return {base, final};
}

} // namespace reference
