#pragma once
#include <QDialog>
#include <memory>
#include <optional>

#include "reporting/Report.h"

class FormProgress;
class ReportView;

namespace Ui {
class FormPreview;
}

// The print preview of a built report, with its four commands: zoom, print, find text and exit.
class FormPreview : public QDialog
{
    Q_OBJECT
public:
    // The zoom that fits the page's width into the window, the one the preview opens with.
    static constexpr int PageWidthZoom = 0;

    FormPreview(Report &report, QWidget *parent = nullptr);
    ~FormPreview() override;

    // The steps of every showing: as large as the screen, the first page at the page's width,
    // nothing looked for.
    void prepareShowing();

    void zoomTo(int percent); // a percentage, or PageWidthZoom
    // Asks for the printer (printing to a PDF file included) and prints the pages it asks for.
    void print();
    // Shows the next place that holds the find text, going on page by page; marks every place. A
    // long find shows its progress with 取消 after a second.
    void findNext();

    ReportView *view() const;
    std::optional<ReportHit> lastFound() const { return m_found; }

private:
    void fillTheScreen();
    void zoomChosen(int index);
    void applyZoom(int percent);
    void showPageNumber(int index);
    void restartFind();

    std::unique_ptr<Ui::FormPreview> ui;
    Report &m_report;
    std::optional<ReportHit> m_found;
    FormProgress *m_findProgress = nullptr; // a child window
};
