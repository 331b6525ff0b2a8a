#include "ReportOutput.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QGraphicsView>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QStandardPaths>
#include <QToolBar>
#include <memory>

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

void paintAll(const PreparedReport& report, QPainter& painter, double dotsPerMm, int from, int to,
              const std::function<bool()>& newPage) {
    for (int p = from; p <= to; ++p) {
        if (p > from && !newPage())
            return;
        paintPage(painter, report, p, dotsPerMm);
    }
}

} // namespace

void paintPage(QPainter& painter, const PreparedReport& report, int pageIndex, double dotsPerMm) {
    if (pageIndex < 0 || pageIndex >= int(report.pages.size()))
        return;
    const Page& page = report.pages[size_t(pageIndex)];
    auto px = [dotsPerMm](const QRectF& r) {
        return QRectF(r.x() * dotsPerMm, r.y() * dotsPerMm, r.width() * dotsPerMm,
                      r.height() * dotsPerMm);
    };
    // Point sizes are meant on paper: undo the device's own scaling of points.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 96.0;
    std::vector<QFont> fonts;
    std::vector<QFontMetricsF> metrics;
    fonts.reserve(report.fonts.size());
    for (const Font& f : report.fonts) {
        QFont font(f.family);
        font.setPointSizeF(f.size * dotsPerMm * 25.4 / dpi);
        font.setBold(f.bold);
        fonts.push_back(font);
        metrics.emplace_back(font, painter.device());
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    int currentFont = -1;
    for (const Primitive& p : page.primitives) {
        switch (p.kind) {
        case Primitive::Kind::Fill:
            painter.fillRect(px(p.rect), p.color);
            break;
        case Primitive::Kind::Line: {
            QPen pen(p.color, std::max(1.0, p.width * dotsPerMm),
                     p.dotted ? Qt::DotLine : Qt::SolidLine);
            painter.setPen(pen);
            const QRectF r = px(p.rect);
            painter.drawLine(r.topLeft(), r.bottomRight());
            break;
        }
        case Primitive::Kind::Text: {
            const QRectF r = px(p.rect);
            const bool known = p.font >= 0 && p.font < int(fonts.size());
            if (known && p.font != currentFont) {
                painter.setFont(fonts[size_t(p.font)]);
                currentFont = p.font;
            }
            painter.setPen(p.color);
            if (!known) {
                painter.setClipRect(r);
                painter.drawText(r, int(alignmentOf(p.align) | Qt::AlignVCenter), p.text);
                painter.setClipping(false);
                break;
            }
            // Placed by hand at its baseline: Qt's laying out of a text in a box, and a clip
            // for each, cost much on a PDF of thousands of pages. Only a text that would leave
            // its box is clipped.
            // A tab in stored text is one blank, as a box shows it, not a jump to a tab stop.
            QString text = p.text;
            text.replace(QLatin1Char('\t'), QLatin1Char(' '));
            const QFontMetricsF& fm = metrics[size_t(p.font)];
            const double width = fm.horizontalAdvance(text);
            const bool fits = width <= r.width() && fm.height() <= r.height();
            double x = r.left();
            if (p.align == Align::Center)
                x = r.left() + (r.width() - width) / 2;
            else if (p.align == Align::Right)
                x = r.right() - width;
            const double baseline = r.top() + (r.height() - fm.height()) / 2 + fm.ascent();
            if (!fits)
                painter.setClipRect(r);
            painter.drawText(QPointF(x, baseline), text);
            if (!fits)
                painter.setClipping(false);
            break;
        }
        }
    }
    painter.restore();
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

bool writePdf(const PreparedReport& report, const QString& path) {
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
        return false;
    }
    return true;
}

QPrintPreviewDialog* createPreview(const PreparedReport& report, Zoom zoom, QWidget* parent,
                                   Tell tell) {
    auto pages = std::make_shared<PreparedReport>(report);
    auto* dialog = new QPrintPreviewDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setObjectName(pages->name);
    QString caption = pages->title;
    qsizetype blanks = 0;
    while (blanks < caption.size() && caption.at(blanks).isSpace())
        ++blanks;
    caption.remove(0, blanks);
    dialog->setWindowTitle(caption);
    dialog->printer()->setPageLayout(pages->layout);
    dialog->printer()->setFullPage(true);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [pages](QPrinter* printer) { print(*pages, *printer); });

    if (auto* bar = dialog->findChild<QToolBar*>()) {
        QAction* save = bar->addAction(QStringLiteral("Сохранить в PDF"));
        save->setObjectName(QStringLiteral("savePdf"));
        QObject::connect(save, &QAction::triggered, dialog, [dialog, pages, caption, tell] {
            const QString folder =
                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            const QString path = QFileDialog::getSaveFileName(
                dialog, QStringLiteral("Сохранить в PDF"),
                QDir(folder).filePath((caption.isEmpty() ? pages->name : caption) + ".pdf"),
                QStringLiteral("PDF (*.pdf)"));
            if (!path.isEmpty() && !writePdf(*pages, path) && tell)
                tell(QStringLiteral("Не удалось записать файл %1").arg(path), dialog);
        });
    }
    auto* view = dialog->findChild<QPrintPreviewWidget*>();
    const char* actionName = zoom == Zoom::PageWidth ? "fitWidthAction" : "fitPageAction";
    QAction* fit = dialog->findChild<QAction*>(QLatin1String(actionName));
    // Once shown the dialog lays its pages out again; set the zoom after that.
    QObject::connect(
        view, &QPrintPreviewWidget::previewChanged, dialog,
        [view, fit, zoom] {
            const auto mode = zoom == Zoom::PageWidth ? QPrintPreviewWidget::FitToWidth
                                                      : QPrintPreviewWidget::FitInView;
            if (view->zoomMode() == mode)
                return;
            if (fit)
                fit->trigger();
            else
                view->setZoomMode(mode);
        },
        Qt::SingleShotConnection);
    // Qt fits a page's width about the middle of the view, which opened on the foot of page
    // 1: every fit comes back to the top until the user scrolls or turns the page.
    if (auto* pagesView = view->findChild<QGraphicsView*>()) {
        QScrollBar* bar = pagesView->verticalScrollBar();
        auto toTop = std::make_shared<QMetaObject::Connection>();
        *toTop = QObject::connect(view, &QPrintPreviewWidget::previewChanged, bar, [view, bar] {
            if (view->currentPage() == 1)
                bar->setValue(bar->minimum());
        });
        QObject::connect(bar, &QAbstractSlider::actionTriggered, view,
                         [toTop] { QObject::disconnect(*toTop); });
    }
    dialog->setWindowState(dialog->windowState() | Qt::WindowMaximized);
    return dialog;
}

void preview(const PreparedReport& report, Zoom zoom, QWidget* parent, Tell tell) {
    std::unique_ptr<QPrintPreviewDialog> dialog(
        createPreview(report, zoom, parent, std::move(tell)));
    dialog->exec();
}

} // namespace output
