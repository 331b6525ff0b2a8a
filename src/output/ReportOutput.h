#pragma once

#include "Report.h"

#include <functional>

class QPainter;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

// Prepared pages on paper, on screen and in PDF files, all painted by the same function, so
// the preview shows what the printer gets. Texts stay texts in the PDF and can be read back.
namespace output {

// Paints one page with the paper's top-left corner at the painter's origin, at dotsPerMm
// device dots to a millimetre; each text is clipped to its box.
void paintPage(QPainter& painter, const PreparedReport& report, int page, double dotsPerMm);

// Prints every page, or the range chosen in the printer, at the report's page layout.
void print(const PreparedReport& report, QPrinter& printer);

// Writes every page into a PDF file; false, with nothing left behind, when it cannot.
bool writePdf(const PreparedReport& report, const QString& path);

enum class Zoom { PageWidth, WholePage };

// Tells the user, over the window given, what went wrong in a preview: this layer shows nothing
// itself (the windows pass ui::Messages::error).
using Tell = std::function<void(const QString& text, QWidget* over)>;

// The preview window, not yet shown: named after the layout, captioned with the title without
// its leading blanks, opening maximised at the zoom given on the top of page 1; print and
// save-as-PDF buttons. A PDF that cannot be written is told: "Не удалось записать файл <path>".
QPrintPreviewDialog* createPreview(const PreparedReport& report, Zoom zoom, QWidget* parent,
                                   Tell tell);

// Shows the preview until the user closes it (Esc closes it too). The pages are a copy: the
// result set may be closed as soon as this returns.
void preview(const PreparedReport& report, Zoom zoom, QWidget* parent, Tell tell);

} // namespace output
