#include "changes/ChangeReplay.h"

#include <QJsonDocument>

#include "data/ChangeRecord.h"

ChangeReplay::ChangeReplay(const QStringList &fields)
    : m_fields(fields)
{
    for (const QString &field : fields)
        m_recorded.insert(field.toLower());
}

QJsonObject ChangeReplay::fieldsOf(const QString &json) const
{
    QJsonObject fields;
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (m_recorded.contains(it.key().toLower()))
            fields.insert(it.key().toLower(), it.value());
    return fields;
}

void ChangeReplay::apply(const QString &kind, const QString &after)
{
    m_seen = true;
    m_deleted = kind == ChangeRecord::Kind::Deleted;
    if (m_deleted || kind == ChangeRecord::Kind::Added || kind == ChangeRecord::Kind::Baseline) {
        m_wholeText = m_deleted ? QString() : after;
        m_state.reset();
        return;
    }
    if (!m_state)
        m_state = fieldsOf(m_wholeText);
    m_wholeText.clear();
    const QJsonObject changed = fieldsOf(after);
    for (auto it = changed.begin(); it != changed.end(); ++it)
        m_state->insert(it.key(), it.value());
}

QJsonObject ChangeReplay::state() const
{
    return m_state ? *m_state : fieldsOf(m_wholeText);
}

QStringList ChangeReplay::differences(const QString &image) const
{
    if (!m_state && m_wholeText == image)
        return {};
    const QJsonObject now = fieldsOf(image);
    const QJsonObject replayed = state();
    QStringList differing;
    for (const QString &field : m_fields)
        if (now.value(field.toLower()) != replayed.value(field.toLower()))
            differing.append(field);
    return differing;
}
