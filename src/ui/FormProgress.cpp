#include "ui/FormProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

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

ProgressShown::ProgressShown(FormProgress &form, int value)
    : m_form(form)
{
    m_form.show();
    moveTo(value);
}

ProgressShown::~ProgressShown()
{
    close();
}

void ProgressShown::moveTo(int value)
{
    m_form.ProgressBar1()->setValue(value);
    // Paint only: a click now would start another command in the middle of this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressShown::close()
{
    m_form.hide();
}
