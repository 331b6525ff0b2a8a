#pragma once

#include "Report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <deque>
#include <functional>
#include <memory>

class QPainter;
class QPaintDevice;
class QPrinter;

// Prepared pages on paper, on screen and in PDF files, all painted by the same function, so
// the preview shows what the printer gets. Texts stay texts in the PDF and can be read back.
namespace output {

// Paints the pages of one report on one device at one scale. Each distinct (font, text) is
// measured and shaped once, however often the pages print it: a year's report prints a few
// thousand distinct texts over a million times.
class PagePainter {
public:
    PagePainter(const PreparedReport& report, QPaintDevice* device, double dotsPerMm);

    // The page with the paper's top-left corner at the painter's origin; each text is clipped
    // to its box.
    void paint(QPainter& painter, int page);
    double dotsPerMm() const { return dotsPerMm_; }

private:
    struct Piece {
        int font; // into rawFonts_
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    struct Shaped {
        double width = 0;
        double ascent = 0; // of the laid-out line: the glyph runs' baseline
        QList<QGlyphRun> runs;
        std::vector<Piece> pieces; // the runs again, their fonts as indexes
    };
    const Shaped& shaped(int font, qint32 text);

    const PreparedReport& report_;
    QPaintDevice* device_;
    double dotsPerMm_;
    std::vector<QFont> fonts_;
    std::vector<QFontMetricsF> metrics_;
    std::vector<double> heights_, ascents_; // of each font, asked once
    std::deque<Shaped> shaped_;
    std::vector<std::vector<qint32>> shapedOf_; // per font, per text: index into shaped_ or -1
    std::vector<QRawFont> rawFonts_;
};

// Paints one page with the paper's top-left corner at the painter's origin, at dotsPerMm
// device dots to a millimetre; each text is clipped to its box.
void paintPage(QPainter& painter, const PreparedReport& report, int page, double dotsPerMm);

// Prints every page, or the range chosen in the printer, at the report's page layout.
void print(const PreparedReport& report, QPrinter& printer);

// Writes every page into a PDF file; when it cannot, nothing is left behind and data::Error
// says "Не удалось записать файл <path>".
void writePdf(const PreparedReport& report, const QString& path);

} // namespace output
