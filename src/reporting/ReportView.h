#pragma once
#include <QAbstractScrollArea>
#include <optional>

#include "reporting/Report.h"

// The pages of a report one under the other, as on a desk, at a zoom. Only the pages in sight are
// laid out and painted. Texts holding the text being looked for are marked, the current find more so.
class ReportView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr double DefaultZoom = 1.0;

    explicit ReportView(QWidget *parent = nullptr);

    void setReport(Report *report);
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);   // keeps the page at the top in sight
    // Fits the page's width into the view, now and whenever the view's size changes, until setZoom().
    void fitPageWidth();
    bool fitsPageWidth() const { return m_fitWidth; }
    void showPage(int index);    // scrolls the page's top into sight
    int currentPage() const;     // the page at the top of the view, from 0

    void setMarked(const QString &text, const std::optional<ReportHit> &current);
    void showHit(const ReportHit &hit);
    QString markedText() const { return m_marked; }

signals:
    void currentPageChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double dotsPerMm() const;
    QSize pageSize() const; // pixels at the zoom
    int pageTop(int index) const;
    int pageLeft() const;
    double pageWidthZoom() const;
    void applyZoom(double zoom);
    void updateScrollBars();
    void paintMarks(QPainter &painter, const ReportPage &page, int index) const;

    Report *m_report = nullptr;
    double m_zoom = DefaultZoom;
    bool m_fitWidth = false;
    QString m_marked;
    std::optional<ReportHit> m_current;
    int m_lastReportedPage = -1;
};
