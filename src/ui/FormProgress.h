#pragma once
#include <QDialog>
#include <QElapsedTimer>
#include <memory>

class QProgressBar;
class QPushButton;

namespace Ui {
class FormProgress;
}

// The small progress window the long runs show while they work.
class FormProgress : public QDialog
{
    Q_OBJECT
public:
    explicit FormProgress(QWidget *parent = nullptr);
    ~FormProgress() override;

    QProgressBar *ProgressBar1() const;
    QPushButton *BitBtn1() const; // 取消, under the bar only while the work can be stopped

    void setStoppable(bool stoppable);

private:
    std::unique_ptr<Ui::FormProgress> ui;
    int m_plainHeight = 0;
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

// Work the user may stop, such as a long find or an export, for as long as this lives. Work done
// within a second shows nothing; longer work brings up the progress window with 取消, modal, and
// between its steps lets the window paint and take the click, so it never looks frozen.
class StoppableProgress
{
public:
    explicit StoppableProgress(FormProgress &form);
    ~StoppableProgress();
    StoppableProgress(const StoppableProgress &) = delete;
    StoppableProgress &operator=(const StoppableProgress &) = delete;

    // `done` of `total` steps are done. False once the user stopped the work.
    bool step(qint64 done, qint64 total);
    bool stopped() const { return m_stopped; }

    // How long work runs before its window comes up (a second); tests make it 0 to see it at once.
    static void setShowDelay(int milliseconds);

private:
    void showWindow();

    FormProgress &m_form;
    QElapsedTimer m_running;
    QElapsedTimer m_sinceEvents;
    int m_percent = -1;
    bool m_stopped = false;
    QMetaObject::Connection m_stop;
};
