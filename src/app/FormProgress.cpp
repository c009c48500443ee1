#include "app/FormProgress.h"

#include "ui_FormProgress.h"

FormProgress::FormProgress(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormProgress>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    setFixedSize(size());
}

FormProgress::~FormProgress() = default;

QProgressBar *FormProgress::ProgressBar1() const
{
    return ui->ProgressBar1;
}
