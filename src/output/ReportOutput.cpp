#include "ReportOutput.h"

#include "data/Error.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextLayout>
#include <algorithm>

namespace output {

namespace {

Qt::Alignment alignmentOf(Align a) {
    switch (a) {
    case Align::Center:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QRectF scaled(const Primitive& p, double dotsPerMm) {
    return QRectF(p.x * dotsPerMm, p.y * dotsPerMm, p.w * dotsPerMm, p.h * dotsPerMm);
}

void paintAll(const PreparedReport& report, QPainter& painter, double dotsPerMm, int from, int to,
              const std::function<bool()>& newPage) {
    PagePainter pages(report, painter.device(), dotsPerMm);
    for (int p = from; p <= to; ++p) {
        if (p > from && !newPage())
            return;
        pages.paint(painter, p);
    }
}

} // namespace

PagePainter::PagePainter(const PreparedReport& report, QPaintDevice* device, double dotsPerMm)
    : report_(report), device_(device), dotsPerMm_(dotsPerMm) {
    // Point sizes are meant on paper: undo the device's own scaling of points.
    const double dpi = device ? device->logicalDpiY() : 96.0;
    fonts_.reserve(report.fonts.size());
    metrics_.reserve(report.fonts.size());
    for (const Font& f : report.fonts) {
        QFont font(f.family);
        font.setPointSizeF(f.size * dotsPerMm * 25.4 / dpi);
        font.setBold(f.bold);
        fonts_.push_back(font);
        metrics_.emplace_back(font, device);
        heights_.push_back(metrics_.back().height());
        ascents_.push_back(metrics_.back().ascent());
    }
    shapedOf_.resize(fonts_.size());
}

const PagePainter::Shaped& PagePainter::shaped(int font, qint32 text) {
    // A preview's report gains texts while it is shown.
    std::vector<qint32>& byText = shapedOf_[size_t(font)];
    if (size_t(text) >= byText.size())
        byText.resize(std::max(report_.strings.size(), size_t(text) + 1), -1);
    if (byText[size_t(text)] >= 0)
        return shaped_[size_t(byText[size_t(text)])];
    // A tab in stored text is one blank, as a box shows it, not a jump to a tab stop.
    QString t = report_.strings[size_t(text)];
    t.replace(QLatin1Char('\t'), QLatin1Char(' '));
    Shaped s;
    s.width = metrics_[size_t(font)].horizontalAdvance(t);
    QTextLayout layout(t, fonts_[size_t(font)], device_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (line.isValid()) {
        line.setPosition(QPointF(0, 0));
        s.ascent = line.ascent();
        s.runs = layout.glyphRuns();
        for (const QGlyphRun& run : s.runs) {
            const QRawFont raw = run.rawFont();
            auto known = std::find(rawFonts_.begin(), rawFonts_.end(), raw);
            if (known == rawFonts_.end())
                known = rawFonts_.insert(rawFonts_.end(), raw);
            s.pieces.push_back(
                Piece{int(known - rawFonts_.begin()), run.glyphIndexes(), run.positions()});
        }
    }
    byText[size_t(text)] = qint32(shaped_.size());
    return shaped_.emplace_back(std::move(s));
}

void PagePainter::paint(QPainter& painter, int pageIndex) {
    if (pageIndex < 0 || pageIndex >= int(report_.pages.size()))
        return;
    const Page& page = report_.pages[size_t(pageIndex)];
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Fills and lines first, then the texts over them: each pen is set once per run of equal
    // lines, not again after every text.
    QPen linePen;
    bool linePenSet = false;
    for (const Primitive& p : page.primitives) {
        if (p.kind == Primitive::Kind::Fill) {
            painter.fillRect(scaled(p, dotsPerMm_), QColor::fromRgba(report_.colors[p.color]));
        } else if (p.kind == Primitive::Kind::Line) {
            const QPen pen(QColor::fromRgba(report_.colors[p.color]),
                           std::max(1.0, p.width * dotsPerMm_),
                           p.dotted ? Qt::DotLine : Qt::SolidLine);
            if (!linePenSet || pen != linePen) {
                painter.setPen(pen);
                linePen = pen;
                linePenSet = true;
            }
            const QRectF r = scaled(p, dotsPerMm_);
            painter.drawLine(r.topLeft(), r.bottomRight());
        }
    }

    // Texts that fit their boxes go out together, one glyph run per font and colour: a PDF
    // then writes its text state once for the page rather than once for every text.
    struct Batch {
        int font;
        quint16 color;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Batch> batches;
    auto batchOf = [&batches](int font, quint16 color) -> Batch& {
        for (Batch& b : batches)
            if (b.font == font && b.color == color)
                return b;
        batches.push_back(Batch{font, color, {}, {}});
        return batches.back();
    };
    quint16 penColor = 0;
    bool penSet = false;
    auto usePen = [&](quint16 color) {
        if (!penSet || penColor != color) {
            painter.setPen(QColor::fromRgba(report_.colors[color]));
            penColor = color;
            penSet = true;
        }
    };
    for (const Primitive& p : page.primitives) {
        if (p.kind != Primitive::Kind::Text)
            continue;
        const QRectF r = scaled(p, dotsPerMm_);
        if (p.font < 0 || p.font >= int(fonts_.size())) {
            usePen(p.color);
            painter.setClipRect(r);
            painter.drawText(r, int(alignmentOf(p.align) | Qt::AlignVCenter), report_.text(p));
            painter.setClipping(false);
            continue;
        }
        // Placed by hand at its baseline: Qt's laying out of a text in a box, and a clip for
        // each, cost much on a PDF of thousands of pages. Only a text that would leave its box
        // is clipped.
        const Shaped& s = shaped(p.font, p.text);
        const double height = heights_[size_t(p.font)];
        const bool fits = s.width <= r.width() && height <= r.height();
        double x = r.left();
        if (p.align == Align::Center)
            x = r.left() + (r.width() - s.width) / 2;
        else if (p.align == Align::Right)
            x = r.right() - s.width;
        const double baseline = r.top() + (r.height() - height) / 2 + ascents_[size_t(p.font)];
        const QPointF origin(x, baseline - s.ascent);
        if (!fits) {
            usePen(p.color);
            painter.setClipRect(r);
            for (const QGlyphRun& run : s.runs)
                painter.drawGlyphRun(origin, run);
            painter.setClipping(false);
            continue;
        }
        for (const Piece& piece : s.pieces) {
            Batch& b = batchOf(piece.font, p.color);
            b.glyphs.append(piece.glyphs);
            for (const QPointF& at : piece.positions)
                b.positions.append(at + origin);
        }
    }
    for (const Batch& b : batches) {
        QGlyphRun run;
        run.setRawFont(rawFonts_[size_t(b.font)]);
        run.setGlyphIndexes(b.glyphs);
        run.setPositions(b.positions);
        usePen(b.color);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
}

void paintPage(QPainter& painter, const PreparedReport& report, int pageIndex, double dotsPerMm) {
    PagePainter(report, painter.device(), dotsPerMm).paint(painter, pageIndex);
}

void print(const PreparedReport& report, QPrinter& printer) {
    // The pages carry their margins: paint from the paper's corner. A page layout set after
    // this would switch the full page off again.
    printer.setPageLayout(report.layout);
    printer.setFullPage(true);
    int from = 0, to = int(report.pages.size()) - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(from, printer.fromPage() - 1);
        to = std::min(to, printer.toPage() - 1);
    }
    if (from > to)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    paintAll(report, painter, printer.resolution() / 25.4, from, to,
             [&] { return printer.newPage(); });
    painter.end();
}

void writePdf(const PreparedReport& report, const QString& path) {
    bool ok = false;
    {
        QPdfWriter writer(path);
        writer.setTitle(report.title.trimmed());
        writer.setCreator(QStringLiteral("tabel"));
        QPageLayout layout = report.layout;
        layout.setMinimumMargins(QMarginsF());
        layout.setMargins(QMarginsF());
        writer.setPageLayout(layout);
        QPainter painter;
        if (painter.begin(&writer)) {
            paintAll(report, painter, writer.resolution() / 25.4, 0, int(report.pages.size()) - 1,
                     [&] { return writer.newPage(); });
            ok = painter.end();
        }
    }
    if (!ok || !QFile::exists(path) || QFile(path).size() == 0) {
        QFile::remove(path);
        throw data::Error(QStringLiteral("Не удалось записать файл %1").arg(path));
    }
}

} // namespace output
