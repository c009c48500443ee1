#include "ScriptedScreen.h"

#include <QDebug>
#include <QDialog>

// A dialog while a unit of changes holds the books would keep every other cashier waiting.
void ScriptedScreen::noteHeld(const QString &what)
{
    if (Screen::dialogsHeld())
        m_unexpected.append(QStringLiteral("while the books are held: ") + what);
}

void ScriptedScreen::inform(const QString &text)
{
    noteHeld(text);
    // In the test's output, so that a failing comparison of messages shows what was said.
    qDebug().noquote() << "told:" << text;
    m_messages.append(text);
}

bool ScriptedScreen::ask(const QString &caption, const QString &text)
{
    noteHeld(text);
    m_questions.append(caption + QLatin1Char('|') + text);
    if (m_answers.isEmpty()) {
        m_unexpected.append(QStringLiteral("question: ") + text);
        return false;
    }
    return m_answers.dequeue();
}

void ScriptedScreen::error(const QString &text, const QString &detail)
{
    noteHeld(text);
    qDebug().noquote() << "told:" << text << "|" << detail;
    m_messages.append(text);
    m_details.append(detail);
}

int ScriptedScreen::runModal(QDialog &dialog)
{
    noteHeld(dialog.objectName());
    auto &queue = m_handlers[dialog.objectName()];
    if (queue.isEmpty()) {
        m_unexpected.append(QStringLiteral("dialog: ") + dialog.objectName());
        return QDialog::Rejected;
    }
    const DialogHandler handler = queue.dequeue();
    dialog.setResult(QDialog::Rejected);
    handler(dialog);
    return dialog.result();
}

QString ScriptedScreen::chooseFileAs(const QString &kind, const QStringList &shown)
{
    noteHeld(kind);
    m_fileDialogs.append(shown.join(QLatin1Char('|')));
    if (m_files.isEmpty()) {
        m_unexpected.append(kind);
        return {};
    }
    return m_files.dequeue();
}

QString ScriptedScreen::chooseOpenFile(const QString &caption, const QString &folder, const QString &filter)
{
    return chooseFileAs(QStringLiteral("open file dialog"), {caption, folder, filter});
}

QString ScriptedScreen::chooseSaveFile(const QString &caption, const QString &path, const QString &filter)
{
    return chooseFileAs(QStringLiteral("save file dialog"), {caption, path, filter});
}

bool ScriptedScreen::openUrl(const QUrl &url)
{
    m_urls.append(url);
    return m_urlsOpen;
}

void ScriptedScreen::showWaiting(const QString &notice)
{
    if (m_waiting)
        m_unexpected.append(QStringLiteral("second wait notice: ") + notice);
    m_waiting = true;
    m_notices.append(notice);
    if (m_onWaiting)
        std::exchange(m_onWaiting, {})();
}

void ScriptedScreen::endWaiting()
{
    m_waiting = false;
}

void ScriptedScreen::onDialog(const QString &objectName, DialogHandler handler)
{
    m_handlers[objectName].enqueue(std::move(handler));
}

QStringList ScriptedScreen::takeMessages()
{
    return std::exchange(m_messages, {});
}

QStringList ScriptedScreen::takeDetails()
{
    return std::exchange(m_details, {});
}

bool ScriptedScreen::allUsed() const
{
    if (!m_answers.isEmpty() || !m_files.isEmpty() || m_onWaiting)
        return false;
    for (const auto &queue : m_handlers)
        if (!queue.isEmpty())
            return false;
    return true;
}

QString ScriptedScreen::leftovers() const
{
    QStringList problems;
    if (!m_unexpected.isEmpty())
        problems.append(QStringLiteral("unexpected: ") + m_unexpected.join(QStringLiteral("; ")));
    if (!allUsed())
        problems.append(QStringLiteral("a scripted answer, file choice or dialog was never asked for"));
    if (m_waiting)
        problems.append(QStringLiteral("the notice of a wait for the books was left up"));
    if (!m_messages.isEmpty())
        problems.append(QStringLiteral("messages never checked: ") + m_messages.join(QStringLiteral("; ")));
    return problems.join(QStringLiteral(" | "));
}
