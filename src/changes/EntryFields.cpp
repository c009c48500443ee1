#include "changes/EntryFields.h"

#include <QJsonDocument>
#include <QStringList>
#include <algorithm>

#include "data/ChangeRecord.h"
#include "data/Helpers.h"
#include "data/Query.h"

namespace {

const QString AccountField = QStringLiteral("MoneyAccount");

bool sameField(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a field stands among the recorded fields of every table, in each table's order; a field of no
// table (a trigger put back, a restored file) after them.
int fieldPlace(const QString &field)
{
    static const QHash<QString, int> places = [] {
        QHash<QString, int> found;
        for (const ChangeRecord::Covered &table : ChangeRecord::coveredTables())
            for (const QString &recorded : table.fields)
                found.insert(recorded.toLower(), int(found.size()));
        return found;
    }();
    return places.value(field.toLower(), int(places.size()));
}

bool isEmpty(const QJsonValue &value)
{
    return value.isNull() || value.isUndefined() || (value.isString() && value.toString().isEmpty());
}

} // namespace

QJsonObject entryFields(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

int listNamed(const QJsonObject &fields)
{
    for (auto it = fields.begin(); it != fields.end(); ++it)
        if (sameField(it.key(), QStringLiteral("ParameterType")))
            return it.value().toInt();
    return 0;
}

void EntryFields::readAccounts(ShareDataModule &data)
{
    m_accounts.clear();
    Query accounts(data);
    if (!RunQuery(accounts, QStringLiteral("Select AccountIndex, AccountName From Account Order By AccountIndex"),
                  QStringLiteral("帐户读取失败，改动记录中的帐户只显示编号。\n")))
        return;
    for (accounts.first(); !accounts.eof(); accounts.next())
        m_accounts.insert(accounts.field(QStringLiteral("AccountIndex")).toLongLong(),
                          accounts.fieldText(QStringLiteral("AccountName")));
}

QString EntryFields::account(qint64 number) const
{
    const QString name = m_accounts.value(number);
    return name.isEmpty() ? QString::number(number) : name;
}

QString EntryFields::value(const QString &field, const QJsonValue &value) const
{
    if (value.isDouble()) {
        if (sameField(field, AccountField))
            return account(value.toInteger());
        return QString::number(value.toDouble(), 'g', 15);
    }
    return value.isString() ? value.toString() : QString();
}

QString EntryFields::pairs(const QString &side, const QString &otherSide) const
{
    const QJsonObject fields = entryFields(side);
    const QJsonObject other = entryFields(otherSide);
    QStringList names = fields.keys();
    std::stable_sort(names.begin(), names.end(),
                     [](const QString &a, const QString &b) { return fieldPlace(a) < fieldPlace(b); });
    QStringList shown;
    for (const QString &name : names)
        if (!isEmpty(fields.value(name)) || other.contains(name))
            shown.append(ChangeRecord::fieldTitle(name) + QStringLiteral("：") + value(name, fields.value(name)));
    return shown.join(QStringLiteral("；"));
}
