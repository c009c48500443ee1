#include "data/ChangeRecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

#include "data/sqlite/SqliteSchema.h"

namespace {

using ChangeRecord::Covered;

// When and by whom, as the file books' triggers write it.
const QString Now = QStringLiteral("strftime('%Y-%m-%d %H:%M:%S','now','localtime')");
const QString Operator = QStringLiteral("coalesce((SELECT Operator FROM ChangeOperator), '%1')");

QString quotedText(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString sqliteOperator()
{
    return Operator.arg(ChangeRecord::ExternalWriter);
}

// The recorded fields of the row `row` (NEW, OLD or the table itself) as one JSON object.
QString sqliteImage(const Covered &table, const QString &row)
{
    QStringList pairs;
    for (const QString &field : table.fields)
        pairs.append(QStringLiteral("'%1',%2.%1").arg(field, row));
    return QStringLiteral("json_object(%1)").arg(pairs.join(QLatin1Char(',')));
}

QString sqliteAccount(const Covered &table, const QString &row)
{
    return table.account.isEmpty() ? QStringLiteral("NULL") : row + QLatin1Char('.') + table.account;
}

// An entry of a whole row: a new row (NEW, "ChangeAfter") or a deleted one (OLD, "ChangeBefore").
QString sqliteWholeRow(const Covered &table, const QString &kind, const QString &row, const QString &column,
                       const QString &condition)
{
    return QStringLiteral("INSERT INTO ChangeLog(ChangeTime,ChangeOperator,ChangeKind,ChangeTable,ChangeRow,"
                          "ChangeAccount,%1) SELECT %2,%3,%4,'%5',%6.%7,%8,%9%10;")
        .arg(column, Now, sqliteOperator(), quotedText(kind), table.table, row, table.key,
             sqliteAccount(table, row), sqliteImage(table, row), condition);
}

// The changed fields of an update, each with its value before and after. A field counts as changed
// when its value or its type differs, compared exactly: the books' case-blind comparison would take a
// name retyped in capitals for no change.
QString sqliteChangedFields(const Covered &table)
{
    QStringList arms;
    for (const QString &field : table.fields)
        arms.append(QStringLiteral("SELECT '%1' AS f, OLD.%1 AS o, NEW.%1 AS n,"
                                   " OLD.%1 IS NOT NEW.%1 COLLATE BINARY OR typeof(OLD.%1) <> typeof(NEW.%1) AS c")
                        .arg(field));
    if (!table.secret.isEmpty())
        arms.append(QStringLiteral("SELECT '%1', %2, %2, OLD.%1 IS NOT NEW.%1 COLLATE BINARY")
                        .arg(table.secret, quotedText(ChangeRecord::Secret)));
    return QStringLiteral("INSERT INTO ChangeLog(ChangeTime,ChangeOperator,ChangeKind,ChangeTable,ChangeRow,"
                          "ChangeAccount,ChangeBefore,ChangeAfter) SELECT %1,%2,%3,'%4',NEW.%5,%6,"
                          "json_group_object(f,o),json_group_object(f,n) FROM (%7) WHERE c AND OLD.%5 IS NEW.%5"
                          " HAVING count(*) > 0;")
        .arg(Now, sqliteOperator(), quotedText(ChangeRecord::Kind::Changed), table.table, table.key,
             sqliteAccount(table, QStringLiteral("NEW")), arms.join(QStringLiteral(" UNION ALL ")));
}

QString sqliteTriggerName(const Covered &table, const char *event)
{
    return QStringLiteral("ChangeLog%1%2").arg(table.table, QLatin1String(event));
}

// The stored table names and the user's names for them; the settings lists by their ParameterType.
const QList<std::pair<QString, QString>> TableTitles{
    {QStringLiteral("MoneyTable"), QStringLiteral("日记帐")}, {QStringLiteral("Account"), QStringLiteral("帐户")},
    {QStringLiteral("GetPay"), QStringLiteral("应收应付")},   {QStringLiteral("Parameter"), QStringLiteral("设置列表")},
    {QStringLiteral("Power"), QStringLiteral("密码")},        {QStringLiteral("ChangeLog"), QStringLiteral("改动记录")},
};
// The fields by the titles the windows give them; a field not listed is shown by its own name.
const QList<std::pair<QString, QString>> FieldTitles{
    {QStringLiteral("MoneySerial"), QStringLiteral("单据编号")},   {QStringLiteral("MoneyCreateTime"), QStringLiteral("录入时间")},
    {QStringLiteral("MoneyRecordTime"), QStringLiteral("存入日期")}, {QStringLiteral("MoneyAccount"), QStringLiteral("帐户")},
    {QStringLiteral("MoneyUser"), QStringLiteral("客户名称")},     {QStringLiteral("MoneySum"), QStringLiteral("金额")},
    {QStringLiteral("MoneyMan"), QStringLiteral("业务员")},        {QStringLiteral("MoneyReason"), QStringLiteral("收支种类")},
    {QStringLiteral("MoneyType"), QStringLiteral("类别")},         {QStringLiteral("MoneyToken"), QStringLiteral("凭证")},
    {QStringLiteral("MoneyRemark"), QStringLiteral("备注")},       {QStringLiteral("AccountName"), QStringLiteral("帐户名")},
    {QStringLiteral("AccountType"), QStringLiteral("帐户类型")},   {QStringLiteral("GetPayTime"), QStringLiteral("日期")},
    {QStringLiteral("GetPayUser"), QStringLiteral("往来单位")},    {QStringLiteral("GetPaySum"), QStringLiteral("金额")},
    {QStringLiteral("GetPayRemark"), QStringLiteral("备注")},      {QStringLiteral("ParameterType"), QStringLiteral("列表")},
    {QStringLiteral("ParameterValue"), QStringLiteral("列表项")},  {QStringLiteral("PowerName"), QStringLiteral("用户")},
    {QStringLiteral("PowerKey"), QStringLiteral("密码")},
};
const QStringList ListTitles{QStringLiteral("收支种类"), QStringLiteral("款项类别"), QStringLiteral("凭证")};

const QStringList GuardNames{QStringLiteral("ChangeLogNoUpdate"), QStringLiteral("ChangeLogNoDelete")};

} // namespace

QString ChangeRecord::Covered::serverKey() const
{
    return key == QLatin1String("rowid") ? table + QStringLiteral("Index") : key;
}

const QList<Covered> &ChangeRecord::coveredTables()
{
    static const QList<Covered> tables{
        {QStringLiteral("MoneyTable"), QStringLiteral("MoneyIndex"), QStringLiteral("MoneyAccount"),
         QStringList{QStringLiteral("MoneySerial"), QStringLiteral("MoneyCreateTime"), QStringLiteral("MoneyRecordTime"),
                     QStringLiteral("MoneyAccount"), QStringLiteral("MoneyUser"), QStringLiteral("MoneySum"),
                     QStringLiteral("MoneyMan"), QStringLiteral("MoneyReason"), QStringLiteral("MoneyType"),
                     QStringLiteral("MoneyToken"), QStringLiteral("MoneyRemark")},
         {}},
        {QStringLiteral("Account"), QStringLiteral("AccountIndex"), QStringLiteral("AccountIndex"),
         QStringList{QStringLiteral("AccountName"), QStringLiteral("AccountType")},
         {}},
        {QStringLiteral("GetPay"), QStringLiteral("GetPayIndex"), {},
         QStringList{QStringLiteral("GetPayTime"), QStringLiteral("GetPayUser"), QStringLiteral("GetPaySum"),
                     QStringLiteral("GetPayRemark")},
         {}},
        {QStringLiteral("Parameter"), QStringLiteral("rowid"), {},
         QStringList{QStringLiteral("ParameterType"), QStringLiteral("ParameterValue")},
         {}},
        {QStringLiteral("Power"), QStringLiteral("rowid"), {}, QStringList{QStringLiteral("PowerName")},
         QStringLiteral("PowerKey")},
    };
    return tables;
}

const Covered *ChangeRecord::covered(const QString &table)
{
    for (const Covered &each : coveredTables())
        if (each.table.compare(table, Qt::CaseInsensitive) == 0)
            return &each;
    return nullptr;
}

QStringList ChangeRecord::logFields()
{
    return {QStringLiteral("ChangeIndex"),   QStringLiteral("ChangeTime"),  QStringLiteral("ChangeOperator"),
            QStringLiteral("ChangeDbUser"),  QStringLiteral("ChangeAddress"), QStringLiteral("ChangeKind"),
            QStringLiteral("ChangeTable"),   QStringLiteral("ChangeRow"),   QStringLiteral("ChangeAccount"),
            QStringLiteral("ChangeBefore"),  QStringLiteral("ChangeAfter")};
}

QString ChangeRecord::tableTitle(const QString &table, int list)
{
    if (table == QLatin1String("Parameter") && list >= 1 && list <= ListTitles.size())
        return ListTitles[list - 1];
    for (const auto &[stored, title] : TableTitles)
        if (stored == table)
            return title;
    return table;
}

QString ChangeRecord::fieldTitle(const QString &field)
{
    for (const auto &[stored, title] : FieldTitles)
        if (stored.compare(field, Qt::CaseInsensitive) == 0)
            return title;
    return field;
}

QString ChangeRecord::tableTitleExpression()
{
    // The list of a settings entry: the type named by the row's latest entry up to this one that names
    // it, since a renamed value's entry names only the value. The type leads the fields as both engines
    // write them (the file's in the order of the fields, the server's by the length of the names), once
    // blanks and case are taken out.
    const QString named = QStringLiteral("Lower(Coalesce(t.ChangeAfter, t.ChangeBefore))");
    QString lists;
    for (int list = 1; list <= ListTitles.size(); ++list)
        lists += QStringLiteral(" When F Like '{\"parametertype\":%1,%' Or F = '{\"parametertype\":%1}' Then %2")
                     .arg(list)
                     .arg(quotedText(ListTitles[list - 1]));
    const QString list = QStringLiteral("Coalesce((Select Case%1 End From (Select Replace(%2, ' ', '') As F"
                                        " From ChangeLog t Where t.ChangeTable = 'Parameter'"
                                        " And t.ChangeRow = ChangeLog.ChangeRow And t.ChangeIndex <= ChangeLog.ChangeIndex"
                                        " And %2 Like '%\"parametertype\"%' Order By t.ChangeIndex Desc Limit 1) l), %3)");
    QString tables;
    for (const auto &[stored, title] : TableTitles)
        tables += QStringLiteral(" When '%1' Then %2")
                      .arg(stored, stored == QLatin1String("Parameter") ? list.arg(lists, named, quotedText(title))
                                                                         : quotedText(title));
    return QStringLiteral("Case ChangeTable%1 Else ChangeTable End").arg(tables);
}

QString ChangeRecord::restoreFields(const QString &file, const QString &replacedCopy)
{
    QJsonObject fields{{QStringLiteral("文件"), file}};
    if (!replacedCopy.isEmpty())
        fields.insert(QStringLiteral("替换前副本"), replacedCopy);
    return QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact));
}

QString ChangeRecord::sqliteSchema()
{
    return SqliteSchema::changeRecord() + sqliteTriggers();
}

QString ChangeRecord::sqliteTriggers()
{
    QString sql;
    for (const QString &name : triggerNames(Dialect::Sqlite))
        sql += QStringLiteral("DROP TRIGGER IF EXISTS %1;").arg(name);
    for (const QString &name : GuardNames)
        sql += QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON ChangeLog BEGIN SELECT RAISE(ABORT, %3); END;")
                   .arg(name, name.endsWith(QLatin1String("Update")) ? QStringLiteral("UPDATE")
                                                                      : QStringLiteral("DELETE"),
                        quotedText(Refusal));
    for (const Covered &table : coveredTables()) {
        const QString isNewKey = QStringLiteral(" WHERE OLD.%1 IS NOT NEW.%1").arg(table.key);
        sql += QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END;")
                   .arg(sqliteTriggerName(table, "Insert"), table.table,
                        sqliteWholeRow(table, Kind::Added, QStringLiteral("NEW"), QStringLiteral("ChangeAfter"), {}));
        sql += QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END;")
                   .arg(sqliteTriggerName(table, "Delete"), table.table,
                        sqliteWholeRow(table, Kind::Deleted, QStringLiteral("OLD"), QStringLiteral("ChangeBefore"), {}));
        // A row given another row id is a deletion of the old row and a new row.
        sql += QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 BEGIN %3%4%5 END;")
                   .arg(sqliteTriggerName(table, "Update"), table.table,
                        sqliteWholeRow(table, Kind::Deleted, QStringLiteral("OLD"), QStringLiteral("ChangeBefore"),
                                       isNewKey),
                        sqliteWholeRow(table, Kind::Added, QStringLiteral("NEW"), QStringLiteral("ChangeAfter"),
                                       isNewKey),
                        sqliteChangedFields(table));
    }
    return sql;
}

QStringList ChangeRecord::triggerNames(Dialect dialect)
{
    QStringList names;
    if (dialect == Dialect::Postgres) {
        names << QStringLiteral("changelogkeep") << QStringLiteral("changelogkeepall");
        for (const Covered &table : coveredTables())
            names.append(QStringLiteral("changelog") + table.table.toLower());
        return names;
    }
    names = GuardNames;
    for (const Covered &table : coveredTables())
        for (const char *event : {"Insert", "Delete", "Update"})
            names.append(sqliteTriggerName(table, event));
    return names;
}

QString ChangeRecord::baselineOfEveryRow(Dialect dialect)
{
    QString entries;
    for (const Covered &table : coveredTables())
        entries += baselineStatement(dialect, table, qint64(std::numeric_limits<qint32>::min()) - 1,
                                     std::numeric_limits<qint32>::max());
    return entries;
}

QString ChangeRecord::baselineStatement(Dialect dialect, const Covered &table, qint64 from, qint64 through)
{
    if (dialect == Dialect::Sqlite)
        return QStringLiteral("INSERT INTO ChangeLog(ChangeTime,ChangeOperator,ChangeKind,ChangeTable,ChangeRow,"
                              "ChangeAccount,ChangeAfter) SELECT %1,%2,%3,'%4',%5,%6,%7 FROM %4 AS t"
                              " WHERE %5 > %8 AND %5 <= %9 ORDER BY %5;")
            .arg(Now, quotedText(ProgramItself), quotedText(Kind::Baseline), table.table, table.key,
                 table.account.isEmpty() ? QStringLiteral("NULL") : table.account, sqliteImage(table, QStringLiteral("t")))
            .arg(from)
            .arg(through);
    const QString key = table.serverKey();
    return QStringLiteral("INSERT INTO ChangeLog(ChangeIndex,ChangeTime,ChangeOperator,ChangeDbUser,ChangeAddress,"
                          "ChangeKind,ChangeTable,ChangeRow,ChangeAccount,ChangeAfter)"
                          " SELECT (SELECT LastIndex FROM ChangeCounter) + row_number() OVER (ORDER BY %1),"
                          " change_log_now(), %2, session_user, change_log_address(), %3, '%4', %1, %5, %6"
                          " FROM %4 AS t WHERE %1 > %7 AND %1 <= %8;"
                          "UPDATE ChangeCounter SET LastIndex = (SELECT coalesce(max(ChangeIndex), 0) FROM ChangeLog);")
        .arg(key, quotedText(ProgramItself), quotedText(Kind::Baseline), table.table,
             table.account.isEmpty() ? QStringLiteral("NULL") : table.account,
             imageExpression(dialect, table, QStringLiteral("t")))
        .arg(from)
        .arg(through);
}

QString ChangeRecord::imageExpression(Dialect dialect, const Covered &table, const QString &alias)
{
    if (dialect == Dialect::Sqlite)
        return sqliteImage(table, alias);
    return QStringLiteral("change_log_image(to_jsonb(%1), '%2', '%3')::text")
        .arg(alias, table.serverKey().toLower(), table.secret.toLower());
}
