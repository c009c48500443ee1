#include "reports/FormMakeReport.h"

#include "ui_FormMakeReport.h"

FormMakeReport::FormMakeReport(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormMakeReport>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormMakeReport::~FormMakeReport() = default;
