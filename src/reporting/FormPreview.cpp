#include "reporting/FormPreview.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

#include "reporting/ReportPrinting.h"
#include "reporting/ReportView.h"
#include "ui/FormProgress.h"
#include "ui/Screen.h"
#include "ui_FormPreview.h"

namespace {
constexpr int ZoomPercents[] = {50, 75, 100, 125, 150, 200, 300};
} // namespace

FormPreview::FormPreview(Report &report, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormPreview>())
    , m_report(report)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    ui->ComboBoxZoom->addItem(QStringLiteral("页宽"), PageWidthZoom);
    for (const int percent : ZoomPercents)
        ui->ComboBoxZoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    ui->View->setReport(&m_report);
    m_findProgress = new FormProgress(this);
    connect(ui->ComboBoxZoom, &QComboBox::currentIndexChanged, this, &FormPreview::zoomChosen);
    connect(ui->ButtonPrint, &QPushButton::clicked, this, &FormPreview::print);
    connect(ui->ButtonFind, &QPushButton::clicked, this, &FormPreview::findNext);
    connect(ui->EditFind, &QLineEdit::returnPressed, this, &FormPreview::findNext);
    connect(ui->EditFind, &QLineEdit::textChanged, this, &FormPreview::restartFind);
    connect(ui->ButtonExit, &QPushButton::clicked, this, &FormPreview::reject);
    connect(ui->View, &ReportView::currentPageChanged, this, &FormPreview::showPageNumber);
}

FormPreview::~FormPreview() = default;

ReportView *FormPreview::view() const
{
    return ui->View;
}

void FormPreview::prepareShowing()
{
    ui->EditFind->clear();
    restartFind();
    fillTheScreen();
    zoomTo(PageWidthZoom);
    ui->View->showPage(0);
    showPageNumber(0);
    ui->View->setFocus();
}

// A wide page is seen whole only in a wide window.
void FormPreview::fillTheScreen()
{
    if (const QScreen *shownOn = screen())
        setGeometry(shownOn->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void FormPreview::zoomTo(int percent)
{
    const int index = ui->ComboBoxZoom->findData(percent);
    if (index >= 0)
        ui->ComboBoxZoom->setCurrentIndex(index);
    applyZoom(percent);
}

void FormPreview::zoomChosen(int index)
{
    applyZoom(ui->ComboBoxZoom->itemData(index).toInt());
    showPageNumber(ui->View->currentPage());
}

void FormPreview::applyZoom(int percent)
{
    if (percent == PageWidthZoom)
        ui->View->fitPageWidth();
    else
        ui->View->setZoom(percent / 100.0);
}

void FormPreview::showPageNumber(int index)
{
    ui->LabelPage->setText(QStringLiteral("第 %1 页 / 共 %2 页").arg(index + 1).arg(m_report.pageCount()));
}

void FormPreview::restartFind()
{
    m_found.reset();
    ui->View->setMarked(QString(), std::nullopt);
}

void FormPreview::findNext()
{
    const QString text = ui->EditFind->text();
    if (text.isEmpty())
        return;
    std::optional<ReportHit> hit;
    {
        StoppableProgress looking(*m_findProgress);
        hit = m_report.findNext(text, m_found.value_or(ReportHit()),
                                [&looking](int done, int total) { return looking.step(done, total); });
        // Stopped by the user: everything stays as it was before the find.
        if (looking.stopped())
            return;
    }
    if (!hit) {
        Screen::current().inform(m_found ? QStringLiteral("已找到最后一处“") + text + QStringLiteral("”，再查找将从第一页开始")
                                         : QStringLiteral("报表中没有“") + text + QStringLiteral("”"));
        m_found.reset();
        ui->View->setMarked(text, std::nullopt);
        return;
    }
    m_found = hit;
    ui->View->setMarked(text, hit);
    ui->View->showHit(*hit);
    showPageNumber(hit->page);
}

void FormPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    SetupReportPrinter(printer, m_report);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setMinMax(1, m_report.pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (Screen::current().runModal(dialog) != QDialog::Accepted)
        return;
    if (!PrintReport(m_report, printer))
        Screen::current().error(QStringLiteral("打印没有完成：打印机无法开始打印。\n"
                                               "请检查打印机；打印到文件时，请换一个可以写入的文件位置。"),
                                QString());
}
