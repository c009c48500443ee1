#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormMakeReport;
}

class FormMakeReport : public QDialog
{
    Q_OBJECT
public:
    explicit FormMakeReport(QWidget *parent = nullptr);
    ~FormMakeReport() override;

private:
    std::unique_ptr<Ui::FormMakeReport> ui;
};
