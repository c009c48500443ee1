#include "ui/QtScreen.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

#include "ui/FileDialog.h"

namespace {
// Message boxes carry the application's title, which the program leaves as the system gives it.
QString boxTitle()
{
    return QApplication::applicationName();
}

// A box whose text is shown as typed: a name such as <b>粗</b> must not turn bold.
void setPlainText(QMessageBox &box, const QString &text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
}

// A message box whose one button reads 确定, like every other word the program shows.
void showMessage(QMessageBox::Icon icon, const QString &text, const QString &detail = QString())
{
    Q_ASSERT(!Screen::dialogsHeld());
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(icon);
    box.setWindowTitle(boxTitle());
    setPlainText(box, text);
    box.setInformativeText(detail);
    if (auto *detailLabel = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        detailLabel->setTextFormat(Qt::PlainText);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
}

// The window the person is looking at: the modal dialog, the active window, or else any window shown.
QWidget *frontWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() != Qt::ToolTip)
            return window;
    return nullptr;
}
} // namespace

void QtScreen::inform(const QString &text)
{
    showMessage(QMessageBox::NoIcon, text);
}

bool QtScreen::ask(const QString &caption, const QString &text)
{
    Q_ASSERT(!Screen::dialogsHeld());
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(caption);
    setPlainText(box, text);
    QPushButton *yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

void QtScreen::error(const QString &text, const QString &detail)
{
    showMessage(QMessageBox::Critical, text, detail);
}

int QtScreen::runModal(QDialog &dialog)
{
    Q_ASSERT(!Screen::dialogsHeld());
    return dialog.exec();
}

QString QtScreen::chooseOpenFile(const QString &caption, const QString &folder, const QString &filter)
{
    Q_ASSERT(!Screen::dialogsHeld());
    FileDialog dialog(QApplication::activeWindow(), caption, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtScreen::chooseSaveFile(const QString &caption, const QString &path, const QString &filter)
{
    Q_ASSERT(!Screen::dialogsHeld());
    FileDialog dialog(QApplication::activeWindow(), caption, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The caller decides about a file of the same name; the dialog does not ask.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

// The desktop's opener, xdg-open, tells by its exit status whether anything took the page;
// QDesktopServices only tells whether the opener could be started. An opener still running after a
// while is a browser it runs in its foreground, so the page is open; it is left to run.
bool QtScreen::openUrl(const QUrl &url)
{
    auto *opener = new QProcess;
    opener->start(QStringLiteral("xdg-open"), {url.toString()});
    if (!opener->waitForStarted()) {
        delete opener;
        return QDesktopServices::openUrl(url);
    }
    if (!opener->waitForFinished(OpenerPatience)) {
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    delete opener;
    return opened;
}

// No event is handled while the engine waits (a click could start another statement on the books
// in the middle of this one), so the notice is painted at once as a part of the window in front.
void QtScreen::showWaiting(const QString &notice)
{
    if (m_waiting)
        return;
    m_waiting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QWidget *window = frontWindow();
    m_notice = new QLabel(notice, window, window ? Qt::Widget : Qt::ToolTip);
    m_notice->setObjectName(QStringLiteral("WaitingNotice"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setFrameShape(QFrame::Box);
    m_notice->setMargin(16);
    m_notice->setAutoFillBackground(true);
    m_notice->setStyleSheet(QStringLiteral("QLabel { background: #FFFFE1; color: black; }"));
    m_notice->adjustSize();
    const QRect area = window ? window->rect() : QGuiApplication::primaryScreen()->availableGeometry();
    m_notice->move(area.center() - m_notice->rect().center());
    m_notice->show();
    m_notice->raise();
    m_notice->repaint();
}

void QtScreen::endWaiting()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    delete m_notice;
    QApplication::restoreOverrideCursor();
}
