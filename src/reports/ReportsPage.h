#pragma once
#include <QWidget>
#include <memory>

class QAction;

namespace Ui {
class ReportsPage;
}

// The tab 报表中心: the picture buttons of the report commands, the sort order list and the report
// grid under them.
class ReportsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReportsPage(QWidget *parent = nullptr);
    ~ReportsPage() override;

    // The four picture buttons show the main window's report actions, left to right.
    void bindActions(QAction *toExcel, QAction *researchReport, QAction *makeReport, QAction *printReport);

private:
    std::unique_ptr<Ui::ReportsPage> ui;
};
