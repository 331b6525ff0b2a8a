#pragma once

#include "data/ReportSource.h"

class QWidget;

// The connection a report, print or export reads from, for a window: the one-time notice
// that the report server could not be reached is shown here, before the report is built.
namespace ui {

data::ReportSource::Ready readyForReport(data::ReportSource& source, QWidget* parent);

} // namespace ui
