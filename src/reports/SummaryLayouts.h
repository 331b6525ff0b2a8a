#pragma once

#include "output/Report.h"

// The bands and items of the summary reports, bound to the open result set of the report's
// own statement. The title goes into the Text item "QRLabel1".
namespace reports {

output::Report workersLayout(const data::ResultSet& rows);              // TForm16
output::Report productsLayout(const data::ResultSet& rows);             // TForm17
output::Report detailedWorkersLayout(const data::ResultSet& rows);      // TForm20
output::Report detailedProductsLayout(const data::ResultSet& rows);     // TForm21
output::Report detailedRequisitionsLayout(const data::ResultSet& rows); // TForm25

} // namespace reports
