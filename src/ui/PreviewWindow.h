#pragma once

// The report preview: pages one below another, each painted only while it is in view, so a
// report of thousands of pages shows its first page at once; paging, zoom, print and PDF.
#include "output/ReportOutput.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <memory>

class QAction;
class QLabel;
class QSpinBox;
class QTimer;
class QToolBar;

namespace ui {

enum class Zoom { PageWidth, WholePage };

class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { Width, WholePage, Free };

    PageView(std::shared_ptr<const output::PreparedReport> report, QWidget* parent = nullptr);

    int pageCount() const { return pageCount_; }
    // Pages still being laid out arrive in order; only those counted here are shown.
    void setPageCount(int pages);
    Fit fit() const { return fit_; }
    void setFit(Fit fit);
    void zoomBy(double factor); // from the current scale, leaving the fit modes
    double dotsPerMm() const { return dotsPerMm_; }
    int currentPage() const; // the page at the top of the view, from 0
    void showPage(int page); // scrolls to the top of that page

signals:
    void pagePainted(int page);
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int pageTop(int page) const;
    QSize pageSize() const; // in device pixels at the current scale
    // Where the view stands: a page, and how far down it as a share of its height.
    struct Place {
        int page = 0;
        double within = 0;
    };
    Place place() const;
    void relayout(Place keep);
    void setRanges();

    std::shared_ptr<const output::PreparedReport> report_;
    QSizeF paperMm_;
    Fit fit_ = Fit::Width;
    double dotsPerMm_ = 3;
    std::unique_ptr<output::PagePainter> painter_;
    int shownPage_ = 0;
    int pageCount_ = 0;
};

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    PreviewWindow(output::PreparedReport report, Zoom zoom, QWidget* parent = nullptr);
    // Shows the first page as soon as it is laid out and takes the rest a slice at a time
    // while the window is open.
    PreviewWindow(std::unique_ptr<output::Preparation> preparation, Zoom zoom,
                  QWidget* parent = nullptr);
    ~PreviewWindow() override;

    bool complete() const { return !preparation_; }

    PageView* view() const { return view_; }
    const output::PreparedReport& report() const { return *report_; }

private:
    void build(Zoom zoom);
    void takeRows(int rows);
    void finishPages();
    void printPages();
    void savePdf();
    QAction* addTool(QToolBar* bar, const char* name, const QString& text,
                     const std::function<void()>& run);

    std::shared_ptr<const output::PreparedReport> report_;
    QString caption_;
    std::unique_ptr<output::Preparation> preparation_;
    QTimer* preparing_ = nullptr;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QLabel* pageTotal_ = nullptr;
};

// The preview window, not yet shown: named after the layout, captioned with the title without
// its leading blanks, opening maximised at the zoom given at the top of the first page; pages
// are drawn as they come into view. Print and save-as-PDF buttons; a PDF that cannot be
// written is shown as the error of that action. The window owns the pages.
PreviewWindow* createPreview(output::PreparedReport report, Zoom zoom, QWidget* parent);
PreviewWindow* createPreview(std::unique_ptr<output::Preparation> preparation, Zoom zoom,
                             QWidget* parent);

// Shows the preview until the user closes it (Esc closes it too). The pages are moved in: the
// result set may be closed as soon as this returns. A preparation shows its first page at
// once and lays out the rest while the window is open.
void preview(output::PreparedReport report, Zoom zoom, QWidget* parent);
void preview(std::unique_ptr<output::Preparation> preparation, Zoom zoom, QWidget* parent);

} // namespace ui
