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

// The progress window of a long run (the month runs, a copy of the books), shown without being modal
// for as long as this lives and closed on every way out, so a run that ends early never leaves it
// standing.
class ProgressShown
{
public:
    ProgressShown(FormProgress &form, int value);
    ~ProgressShown();
    ProgressShown(const ProgressShown &) = delete;
    ProgressShown &operator=(const ProgressShown &) = delete;

    // Moves the bar and lets the window paint it: the work runs on the window's own thread.
    void moveTo(int value);
    void close();

private:
    FormProgress &m_form;
};
