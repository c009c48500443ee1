#include "ScriptedScreen.h"

#include <QDialog>

void ScriptedScreen::inform(const QString &text)
{
    m_messages.append(text);
}

bool ScriptedScreen::ask(const QString &caption, const QString &text)
{
    m_questions.append(caption + QLatin1Char('|') + text);
    if (m_answers.isEmpty()) {
        m_unexpected.append(QStringLiteral("question: ") + text);
        return false;
    }
    return m_answers.dequeue();
}

void ScriptedScreen::error(const QString &text, const QString &detail)
{
    m_messages.append(text);
    m_details.append(detail);
}

int ScriptedScreen::runModal(QDialog &dialog)
{
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

QString ScriptedScreen::chooseOpenFile(const QString &, const QString &, const QString &)
{
    if (m_files.isEmpty()) {
        m_unexpected.append(QStringLiteral("open file dialog"));
        return {};
    }
    return m_files.dequeue();
}

QString ScriptedScreen::chooseSaveFile(const QString &, const QString &, const QString &)
{
    if (m_files.isEmpty()) {
        m_unexpected.append(QStringLiteral("save file dialog"));
        return {};
    }
    return m_files.dequeue();
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
