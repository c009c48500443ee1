#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormDraw;
}

class FormDraw : public QDialog
{
    Q_OBJECT
public:
    explicit FormDraw(QWidget *parent = nullptr);
    ~FormDraw() override;

private:
    std::unique_ptr<Ui::FormDraw> ui;
};
