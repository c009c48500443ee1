#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormAccount2;
}

class FormAccount2 : public QDialog
{
    Q_OBJECT
public:
    explicit FormAccount2(QWidget *parent = nullptr);
    ~FormAccount2() override;

private:
    std::unique_ptr<Ui::FormAccount2> ui;
};
