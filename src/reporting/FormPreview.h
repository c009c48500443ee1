#pragma once
#include <QDialog>
#include <memory>
#include <optional>

#include "reporting/Report.h"

class ReportView;

namespace Ui {
class FormPreview;
}

// The print preview of a built report, with its four commands: zoom, print, find text and exit.
class FormPreview : public QDialog
{
    Q_OBJECT
public:
    static constexpr int DefaultZoomPercent = 100;

    FormPreview(Report &report, QWidget *parent = nullptr);
    ~FormPreview() override;

    // The steps of every showing: the first page at the default zoom, nothing looked for.
    void prepareShowing();

    void zoomTo(int percent);
    // Asks for the printer (printing to a PDF file included) and prints the pages it asks for.
    void print();
    // Shows the next place that holds the find text, going on page by page; marks every place.
    void findNext();

    ReportView *view() const;
    std::optional<ReportHit> lastFound() const { return m_found; }

private:
    void zoomChosen(int index);
    void showPageNumber(int index);
    void restartFind();

    std::unique_ptr<Ui::FormPreview> ui;
    Report &m_report;
    std::optional<ReportHit> m_found;
};
