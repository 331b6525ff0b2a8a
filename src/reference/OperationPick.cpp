#include "OperationPick.h"

#include <cmath>

namespace reference {

PriceInForce priceInForce(double lowestPrice, bool dayOff, int shift) {
    const double base = std::round(lowestPrice * 10000.0) / 10000.0;
    double final = dayOff ? base * 2 : base;
    if (shift == 3)
        final *= 1.2;
    else if (shift == 4)
        final *= 1.5;
    return {base, final};
}

} // namespace reference
