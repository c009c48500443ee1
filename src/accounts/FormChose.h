#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormChose;
}

class FormChose : public QDialog
{
    Q_OBJECT
public:
    explicit FormChose(QWidget *parent = nullptr);
    ~FormChose() override;

private:
    std::unique_ptr<Ui::FormChose> ui;
};
