#include "ui/FormProgress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

#include "ui_FormProgress.h"

namespace {
constexpr int BottomMargin = 12;
// The longest the window goes without taking events while its bar does not move.
constexpr int EventGapMs = 100;
int showDelayMs = 1000;
} // namespace

FormProgress::FormProgress(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormProgress>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    setFixedSize(size());
    m_plainHeight = height();
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormProgress::reject);
}

FormProgress::~FormProgress() = default;

QProgressBar *FormProgress::ProgressBar1() const
{
    return ui->ProgressBar1;
}

QPushButton *FormProgress::BitBtn1() const
{
    return ui->BitBtn1;
}

void FormProgress::setStoppable(bool stoppable)
{
    ui->BitBtn1->setVisible(stoppable);
    setFixedSize(width(), stoppable ? ui->BitBtn1->geometry().bottom() + 1 + BottomMargin : m_plainHeight);
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

StoppableProgress::StoppableProgress(FormProgress &form)
    : m_form(form)
{
    m_running.start();
    m_sinceEvents.start();
    // 取消, and Escape, close the window and so stop the work.
    m_stop = QObject::connect(&m_form, &QDialog::rejected, [this] { m_stopped = true; });
}

StoppableProgress::~StoppableProgress()
{
    QObject::disconnect(m_stop);
    m_form.hide();
    m_form.setWindowModality(Qt::NonModal);
    m_form.setStoppable(false);
}

void StoppableProgress::setShowDelay(int milliseconds)
{
    showDelayMs = milliseconds;
}

bool StoppableProgress::step(qint64 done, qint64 total)
{
    if (m_stopped)
        return false;
    const int percent = total > 0 ? int(qBound(qint64(0), done, total) * 100 / total) : 100;
    if (percent == m_percent && m_sinceEvents.elapsed() < EventGapMs)
        return true;
    m_percent = percent;
    m_sinceEvents.restart();
    if (!m_form.isVisible()) {
        if (m_running.elapsed() < showDelayMs)
            return true;
        showWindow();
    }
    m_form.ProgressBar1()->setValue(percent);
    // Every event: the click on 取消 gets through, and the modal window keeps it from anything else.
    QCoreApplication::processEvents();
    return !m_stopped;
}

void StoppableProgress::showWindow()
{
    m_form.setStoppable(true);
    m_form.setWindowModality(Qt::ApplicationModal);
    m_form.show();
    m_form.ProgressBar1()->setValue(0); // the window may come from an earlier run that left its bar full
}
