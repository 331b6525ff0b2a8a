#include "ReportReading.h"

#include "Messages.h"

namespace ui {

data::ReportSource::Ready readyForReport(data::ReportSource& source, QWidget* parent) {
    data::ReportSource::Ready ready = source.ready();
    if (ready.fallbackNotice)
        Messages::show(QStringLiteral("Отчеты"), *ready.fallbackNotice, Messages::Icon::Warning,
                       Messages::Buttons::Ok, parent);
    return ready;
}

} // namespace ui
