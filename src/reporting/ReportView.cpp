#include "reporting/ReportView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "reporting/ReportPainter.h"

namespace {
constexpr int Gap = 16; // pixels between pages and around them
const QColor Desk(0x80, 0x80, 0x80);
const QColor Marked(255, 240, 120);
const QColor Current(255, 170, 60);
} // namespace

ReportView::ReportView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    viewport()->setAutoFillBackground(false);
    // Always there, so that fitting the page's width never makes the bar come and go.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
}

void ReportView::setReport(Report *report)
{
    m_report = report;
    m_marked.clear();
    m_current.reset();
    updateScrollBars();
    viewport()->update();
}

double ReportView::dotsPerMm() const
{
    return logicalDpiY() / 25.4;
}

QSize ReportView::pageSize() const
{
    const QSizeF paper = m_report ? m_report->paperSize() : QSizeF(210, 297);
    const double scale = dotsPerMm() * m_zoom;
    return QSize(qRound(paper.width() * scale), qRound(paper.height() * scale));
}

int ReportView::pageTop(int index) const
{
    return Gap + index * (pageSize().height() + Gap);
}

int ReportView::pageLeft() const
{
    const int spare = viewport()->width() - pageSize().width();
    return spare > 2 * Gap ? spare / 2 : Gap;
}

void ReportView::updateScrollBars()
{
    const int pages = m_report ? m_report->pageCount() : 0;
    const QSize page = pageSize();
    const qint64 height = Gap + qint64(pages) * (page.height() + Gap);
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, int(qBound(qint64(0), height - viewport()->height(), qint64(INT_MAX))));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, qMax(0, page.width() + 2 * Gap - viewport()->width()));
}

void ReportView::setZoom(double zoom)
{
    m_fitWidth = false;
    applyZoom(zoom);
}

void ReportView::fitPageWidth()
{
    m_fitWidth = true;
    applyZoom(pageWidthZoom());
}

// The page's width, with the gap at both sides, in the view's width; a pixel is kept spare against
// rounding, so no horizontal bar appears.
double ReportView::pageWidthZoom() const
{
    const QSizeF paper = m_report ? m_report->paperSize() : QSizeF(210, 297);
    const double pagePixels = paper.width() * dotsPerMm();
    const int room = viewport()->width() - 2 * Gap - 1;
    return pagePixels > 0 && room > 0 ? room / pagePixels : m_zoom;
}

void ReportView::applyZoom(double zoom)
{
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    const int page = currentPage();
    const QSize before = pageSize();
    const double within = before.height() > 0
        ? double(verticalScrollBar()->value() - pageTop(page)) / (before.height() + Gap) : 0;
    m_zoom = zoom;
    updateScrollBars();
    verticalScrollBar()->setValue(pageTop(page) + int(within * (pageSize().height() + Gap)));
    viewport()->update();
}

void ReportView::showPage(int index)
{
    verticalScrollBar()->setValue(pageTop(index) - Gap / 2);
    viewport()->update();
}

int ReportView::currentPage() const
{
    if (!m_report || m_report->pageCount() == 0)
        return 0;
    // The page that fills the upper part of the view.
    const int probe = verticalScrollBar()->value() + viewport()->height() / 3;
    const int index = qMax(0, probe - Gap / 2) / (pageSize().height() + Gap);
    return qBound(0, index, m_report->pageCount() - 1);
}

void ReportView::setMarked(const QString &text, const std::optional<ReportHit> &current)
{
    m_marked = text;
    m_current = current;
    viewport()->update();
}

// Scrolls so that the found text stands in the view.
void ReportView::showHit(const ReportHit &hit)
{
    if (!m_report)
        return;
    const ReportPage page = m_report->page(hit.page);
    if (hit.text < 0 || hit.text >= page.texts.size())
        return showPage(hit.page);
    const double scale = dotsPerMm() * m_zoom;
    const QRectF box = page.texts[hit.text].rect;
    const int top = pageTop(hit.page) + int(box.top() * scale);
    const int bottom = pageTop(hit.page) + int(box.bottom() * scale);
    QScrollBar *vertical = verticalScrollBar();
    if (top < vertical->value() || bottom > vertical->value() + viewport()->height())
        vertical->setValue(top - viewport()->height() / 3);
    const int left = pageLeft() + int(box.left() * scale);
    const int right = pageLeft() + int(box.right() * scale);
    QScrollBar *horizontal = horizontalScrollBar();
    if (left < horizontal->value() || right > horizontal->value() + viewport()->width())
        horizontal->setValue(left - Gap);
    viewport()->update();
}

void ReportView::paintMarks(QPainter &painter, const ReportPage &page, int index) const
{
    if (m_marked.isEmpty())
        return;
    const double scale = dotsPerMm();
    for (int t = 0; t < page.texts.size(); ++t) {
        if (!page.texts[t].text.contains(m_marked, Qt::CaseInsensitive))
            continue;
        const bool current = m_current && m_current->page == index && m_current->text == t;
        const QRectF box = page.texts[t].rect;
        painter.fillRect(QRectF(box.x() * scale, box.y() * scale, box.width() * scale, box.height() * scale),
                         current ? Current : Marked);
    }
}

void ReportView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Desk);
    if (!m_report)
        return;
    const QSize size = pageSize();
    const int left = pageLeft() - horizontalScrollBar()->value();
    const int scrolled = verticalScrollBar()->value();
    const int first = qMax(0, (scrolled - Gap) / (size.height() + Gap));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int index = first; index < m_report->pageCount(); ++index) {
        const int top = pageTop(index) - scrolled;
        if (top > viewport()->height())
            break;
        const QRect paper(left, top, size.width(), size.height());
        painter.fillRect(paper.translated(3, 3), QColor(0x50, 0x50, 0x50));
        painter.fillRect(paper, Qt::white);
        const ReportPage page = m_report->page(index);
        painter.save();
        painter.translate(paper.topLeft());
        painter.scale(m_zoom, m_zoom);
        paintMarks(painter, page, index);
        PaintReportPage(painter, page, dotsPerMm());
        painter.restore();
    }
}

void ReportView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fitWidth)
        applyZoom(pageWidthZoom());
    updateScrollBars();
}

void ReportView::scrollContentsBy(int, int)
{
    viewport()->update();
    const int page = currentPage();
    if (page != m_lastReportedPage) {
        m_lastReportedPage = page;
        emit currentPageChanged(page);
    }
}
