#pragma once

#include "output/Report.h"

// The bands and items of the five summary reports, bound to the open result set of the
// report's own statement. The title goes into the Text item "QRLabel1".
namespace reports {

// number: 16, 17, 20, 21 or 25; any other throws data::Error.
output::Report summaryLayout(int number, const data::ResultSet& rows);

} // namespace reports
