#pragma once
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// The entries of one row of the change record folded in their order: the state they leave the row
// in. Field names are compared in lower case, as the server spells them.
class ChangeReplay
{
public:
    // `fields`: the row's recorded fields; others in an entry (a password) are not replayed.
    explicit ChangeReplay(const QStringList &fields);

    void apply(const QString &kind, const QString &after);
    bool seen() const { return m_seen; }
    bool deleted() const { return m_deleted; }
    // The replayed value of each field, by its name in lower case.
    QJsonObject state() const;
    // The fields whose value in `image` (the row as stored, as the triggers write it) is not the
    // replayed one; empty when they agree.
    QStringList differences(const QString &image) const;

    // The recorded fields of an entry's JSON, by their names in lower case.
    QJsonObject fieldsOf(const QString &json) const;

private:
    const QStringList &m_fields;
    QSet<QString> m_recorded;
    bool m_seen = false;
    bool m_deleted = false;
    // The after-text of a row added and not changed since, compared as it is: no parsing for the
    // rows that were never changed, most of the books.
    QString m_wholeText;
    std::optional<QJsonObject> m_state;
};
