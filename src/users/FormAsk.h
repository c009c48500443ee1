#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormAsk;
}

class FormAsk : public QDialog
{
    Q_OBJECT
public:
    explicit FormAsk(QWidget *parent = nullptr);
    ~FormAsk() override;

private:
    std::unique_ptr<Ui::FormAsk> ui;
};
