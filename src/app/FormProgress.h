#pragma once
#include <QDialog>
#include <memory>

class QProgressBar;

namespace Ui {
class FormProgress;
}

// The small progress window the long month runs show, not modal, while they work.
class FormProgress : public QDialog
{
    Q_OBJECT
public:
    explicit FormProgress(QWidget *parent = nullptr);
    ~FormProgress() override;

    QProgressBar *ProgressBar1() const;

private:
    std::unique_ptr<Ui::FormProgress> ui;
};
