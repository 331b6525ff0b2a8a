#include "PreviewWindow.h"

#include "ActionGuard.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

namespace ui {

namespace {

constexpr int gap = 12; // pixels around and between pages

} // namespace

PageView::PageView(std::shared_ptr<const output::PreparedReport> report, QWidget* parent)
    : QAbstractScrollArea(parent), report_(std::move(report)),
      pageCount_(int(report_->pages.size())) {
    paperMm_ = report_->layout.fullRect(QPageLayout::Millimeter).size();
    // Always there, so fitting the width never makes it come and go.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

QSize PageView::pageSize() const {
    return QSize(int(std::lround(paperMm_.width() * dotsPerMm_)),
                 int(std::lround(paperMm_.height() * dotsPerMm_)));
}

int PageView::pageTop(int page) const {
    return gap + page * (pageSize().height() + gap);
}

int PageView::currentPage() const {
    const int step = pageSize().height() + gap;
    // The page holding the top of the view, or the one whose top is just below it.
    const int page = (verticalScrollBar()->value() + gap / 2) / std::max(1, step);
    return std::clamp(page, 0, std::max(0, pageCount() - 1));
}

void PageView::showPage(int page) {
    page = std::clamp(page, 0, std::max(0, pageCount() - 1));
    verticalScrollBar()->setValue(page == 0 ? 0 : pageTop(page) - gap);
}

PageView::Place PageView::place() const {
    const int page = currentPage();
    const int top = page == 0 ? 0 : pageTop(page) - gap;
    const int step = pageSize().height() + gap;
    return {page, step > 0 ? double(verticalScrollBar()->value() - top) / step : 0};
}

void PageView::setFit(Fit fit) {
    const Place keep = place();
    fit_ = fit;
    relayout(keep);
}

void PageView::zoomBy(double factor) {
    const Place keep = place();
    fit_ = Fit::Free;
    dotsPerMm_ = std::clamp(dotsPerMm_ * factor, 0.5, 40.0);
    relayout(keep);
}

// The same place of the same page stays at the top of the view, whatever the new scale.
void PageView::relayout(Place keep) {
    const QSize area = viewport()->size();
    const double byWidth = (area.width() - 2 * gap) / paperMm_.width();
    const double byHeight = (area.height() - 2 * gap) / paperMm_.height();
    if (fit_ == Fit::Width)
        dotsPerMm_ = byWidth;
    else if (fit_ == Fit::WholePage)
        dotsPerMm_ = std::min(byWidth, byHeight);
    dotsPerMm_ = std::max(dotsPerMm_, 0.5);
    if (!painter_ || painter_->dotsPerMm() != dotsPerMm_)
        painter_ = std::make_unique<output::PagePainter>(*report_, viewport(), dotsPerMm_);
    setRanges();
    showPage(keep.page);
    const int step = pageSize().height() + gap;
    verticalScrollBar()->setValue(verticalScrollBar()->value() + int(keep.within * step));
    viewport()->update();
}

void PageView::setRanges() {
    const QSize area = viewport()->size();
    const QSize page = pageSize();
    const qint64 height = gap + qint64(pageCount()) * (page.height() + gap);
    verticalScrollBar()->setRange(
        0, int(std::min<qint64>(INT_MAX, std::max<qint64>(0, height - area.height()))));
    verticalScrollBar()->setPageStep(area.height());
    horizontalScrollBar()->setRange(0, std::max(0, page.width() + 2 * gap - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
}

void PageView::setPageCount(int pages) {
    if (pages == pageCount_)
        return;
    const int before = pageCount_;
    pageCount_ = pages;
    setRanges();
    // Only a page arriving in view needs painting.
    if (pageTop(before) - verticalScrollBar()->value() < viewport()->height())
        viewport()->update();
}

void PageView::resizeEvent(QResizeEvent* event) {
    const Place keep = place();
    QAbstractScrollArea::resizeEvent(event);
    relayout(keep);
}

void PageView::scrollContentsBy(int, int) {
    viewport()->update();
    const int page = currentPage();
    if (page != shownPage_) {
        shownPage_ = page;
        emit currentPageChanged(page);
    }
}

void PageView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (!painter_)
        relayout({});
    const QSize page = pageSize();
    const int y0 = verticalScrollBar()->value();
    const int left =
        std::max(gap, (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
    const int step = page.height() + gap;
    for (int p = std::max(0, (y0 - gap) / std::max(1, step)); p < pageCount(); ++p) {
        const int top = pageTop(p) - y0;
        if (top >= viewport()->height())
            break;
        const QRect box(left, top, page.width(), page.height());
        if (!box.intersects(event->rect()))
            continue;
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::black);
        painter.drawRect(box.adjusted(-1, -1, 0, 0));
        painter.save();
        painter.translate(box.topLeft());
        painter_->paint(painter, p);
        painter.restore();
        emit pagePainted(p);
    }
}

PreviewWindow::PreviewWindow(output::PreparedReport report, Zoom zoom, QWidget* parent)
    : QDialog(parent), report_(std::make_shared<const output::PreparedReport>(std::move(report))) {
    build(zoom);
}

PreviewWindow::PreviewWindow(std::unique_ptr<output::Preparation> preparation, Zoom zoom,
                             QWidget* parent)
    : QDialog(parent), report_(preparation->pages()), preparation_(std::move(preparation)) {
    // The first page before the window opens, the rest while it is open.
    while (preparation_->readyPages() < 1 && !preparation_->advance(500)) {
    }
    build(zoom);
    preparing_ = new QTimer(this);
    connect(preparing_, &QTimer::timeout, this, [this] { takeRows(2000); });
    takeRows(0);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::takeRows(int rows) {
    if (!preparation_)
        return;
    const bool done = preparation_->advance(rows);
    view_->setPageCount(preparation_->readyPages());
    pageBox_->setRange(1, std::max(1, view_->pageCount()));
    pageTotal_->setText(QStringLiteral(" из %1%2 ")
                            .arg(view_->pageCount())
                            .arg(done ? QString() : QStringLiteral("…")));
    if (done) {
        preparation_.reset();
        preparing_->stop();
    } else if (!preparing_->isActive()) {
        preparing_->start(0);
    }
}

// Printing and saving want every page.
void PreviewWindow::finishPages() {
    if (preparation_)
        takeRows(INT_MAX);
}

void PreviewWindow::build(Zoom zoom) {
    setObjectName(report_->name);
    caption_ = report_->title;
    qsizetype blanks = 0;
    while (blanks < caption_.size() && caption_.at(blanks).isSpace())
        ++blanks;
    caption_.remove(0, blanks);
    setWindowTitle(caption_);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    view_ = new PageView(report_, this);
    view_->setFit(zoom == Zoom::PageWidth ? PageView::Fit::Width : PageView::Fit::WholePage);
    auto* bar = new QToolBar(this);
    // Print and save first: on a narrow screen the bar's end folds away.
    addTool(bar, "printAction", QStringLiteral("Печать"), [this] { printPages(); });
    addTool(bar, "savePdf", QStringLiteral("Сохранить в PDF"), [this] { savePdf(); });
    bar->addSeparator();

    QAction* fitWidth = addTool(bar, "fitWidthAction", QStringLiteral("По ширине"),
                                [this] { view_->setFit(PageView::Fit::Width); });
    QAction* fitPage = addTool(bar, "fitPageAction", QStringLiteral("Страница целиком"),
                               [this] { view_->setFit(PageView::Fit::WholePage); });
    addTool(bar, "zoomInAction", QStringLiteral("Крупнее"), [this] { view_->zoomBy(1.25); });
    addTool(bar, "zoomOutAction", QStringLiteral("Мельче"), [this] { view_->zoomBy(0.8); });
    fitWidth->setCheckable(true);
    fitPage->setCheckable(true);
    auto markFit = [this, fitWidth, fitPage] {
        fitWidth->setChecked(view_->fit() == PageView::Fit::Width);
        fitPage->setChecked(view_->fit() == PageView::Fit::WholePage);
    };
    markFit();
    for (QAction* a : bar->actions())
        connect(a, &QAction::triggered, this, markFit);
    bar->addSeparator();

    addTool(bar, "firstPageAction", QStringLiteral("Первая"), [this] { view_->showPage(0); });
    addTool(bar, "prevPageAction", QStringLiteral("Предыдущая"),
            [this] { view_->showPage(view_->currentPage() - 1); });
    pageBox_ = new QSpinBox(bar);
    pageBox_->setObjectName(QStringLiteral("pageNumber"));
    pageBox_->setRange(1, std::max(1, view_->pageCount()));
    pageBox_->setKeyboardTracking(false);
    bar->addWidget(pageBox_);
    pageTotal_ = new QLabel(QStringLiteral(" из %1 ").arg(view_->pageCount()), bar);
    pageTotal_->setObjectName(QStringLiteral("pageTotal"));
    bar->addWidget(pageTotal_);
    addTool(bar, "nextPageAction", QStringLiteral("Следующая"),
            [this] { view_->showPage(view_->currentPage() + 1); });
    addTool(bar, "lastPageAction", QStringLiteral("Последняя"),
            [this] { view_->showPage(view_->pageCount() - 1); });
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int n) {
        if (n - 1 != view_->currentPage())
            view_->showPage(n - 1);
    });
    connect(view_, &PageView::currentPageChanged, this, [this](int page) {
        const QSignalBlocker quiet(pageBox_);
        pageBox_->setValue(page + 1);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(view_, 1);
    view_->setFocus();
    setWindowState(windowState() | Qt::WindowMaximized);
}

QAction* PreviewWindow::addTool(QToolBar* bar, const char* name, const QString& text,
                                const std::function<void()>& run) {
    QAction* action = bar->addAction(text);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, run);
    return action;
}

void PreviewWindow::printPages() {
    finishPages();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report_->layout);
    printer.setFullPage(true);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, view_->pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() == QDialog::Accepted)
        output::print(*report_, printer);
}

void PreviewWindow::savePdf() {
    finishPages();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Сохранить в PDF"),
        QDir(folder).filePath((caption_.isEmpty() ? report_->name : caption_) + ".pdf"),
        QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty())
        guarded([&] { output::writePdf(*report_, path); }, this);
}

PreviewWindow* createPreview(output::PreparedReport report, Zoom zoom, QWidget* parent) {
    return new PreviewWindow(std::move(report), zoom, parent);
}

void preview(output::PreparedReport report, Zoom zoom, QWidget* parent) {
    std::unique_ptr<PreviewWindow> window(createPreview(std::move(report), zoom, parent));
    window->exec();
}

PreviewWindow* createPreview(std::unique_ptr<output::Preparation> preparation, Zoom zoom,
                             QWidget* parent) {
    return new PreviewWindow(std::move(preparation), zoom, parent);
}

void preview(std::unique_ptr<output::Preparation> preparation, Zoom zoom, QWidget* parent) {
    std::unique_ptr<PreviewWindow> window(createPreview(std::move(preparation), zoom, parent));
    window->exec();
}

} // namespace ui
