#include "journal/FormDraw.h"

#include "ui_FormDraw.h"

FormDraw::FormDraw(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormDraw>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormDraw::~FormDraw() = default;
