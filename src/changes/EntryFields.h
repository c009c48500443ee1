#pragma once
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

class ShareDataModule;

// An entry's fields as the change record's windows and printout show them: each by the title the
// windows give it (ChangeRecord::fieldTitle), in the order of its table, a value as it was stored, and
// an account by its name.
class EntryFields
{
public:
    // Reads the accounts' names. When they cannot be read (told), accounts show by their number.
    void readAccounts(ShareDataModule &data);
    // The accounts by number, the reserved one included.
    const QHash<qint64, QString> &accounts() const { return m_accounts; }

    // An account by its name; by its number when it is gone or has no name.
    QString account(qint64 number) const;
    // A value of `field` as shown: texts as typed, numbers in full, nothing for an empty field, an
    // account by its name.
    QString value(const QString &field, const QJsonValue &value) const;
    // One side of an entry (its JSON) as "标题：值" pairs: the fields holding a value, and those the
    // other side names, so that a field emptied by a change still shows on both sides.
    QString pairs(const QString &side, const QString &otherSide) const;

private:
    QHash<qint64, QString> m_accounts;
};

// The fields of one side of an entry, as the books stored them.
QJsonObject entryFields(const QString &json);
// The settings list that Parameter fields name (their ParameterType), 0 when they name none.
int listNamed(const QJsonObject &fields);
