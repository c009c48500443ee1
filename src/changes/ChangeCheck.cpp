#include "changes/ChangeCheck.h"

#include <algorithm>
#include <optional>

#include "changes/ChangeReplay.h"
#include "changes/EntryFields.h"
#include "data/BooksEngine.h"
#include "data/BooksUpkeep.h"
#include "data/ChangeRecord.h"
#include "data/RowStore.h"
#include "data/ShareDataModule.h"

namespace {

using ChangeRecord::Covered;

class Checker
{
public:
    Checker(BooksConnection &reader, Dialect dialect, ChangeCheck::Findings *found)
        : m_reader(reader)
        , m_dialect(dialect)
        , m_found(found)
    {
    }

    bool checkNumbers(EngineError *error);
    bool checkTable(const Covered &table, const BooksFile::Progress &progress, EngineError *error);

private:
    void broken(const Covered &table, qint64 row, const QJsonObject &fields, const QString &what);
    void finishRow(const Covered &table, qint64 row, const std::optional<QString> &image, const ChangeReplay &replay);

    BooksConnection &m_reader;
    Dialect m_dialect;
    ChangeCheck::Findings *m_found;
    RowStore m_values;
};

// A row named as the change record's list names it: a settings value under its list, which `fields`
// (the row now, or as its entries leave it) tells.
void Checker::broken(const Covered &table, qint64 row, const QJsonObject &fields, const QString &what)
{
    if (++m_found->brokenCount <= ChangeCheck::Listed)
        m_found->brokenRows.append(QStringLiteral("%1 %2：%3")
                                       .arg(ChangeRecord::tableTitle(table.table, listNamed(fields)))
                                       .arg(row)
                                       .arg(what));
}

bool Checker::checkNumbers(EngineError *error)
{
    auto totals = m_reader.prepare(
        QStringLiteral("SELECT count(*), coalesce(min(ChangeIndex), 1), coalesce(max(ChangeIndex), 0) FROM ChangeLog"),
        error);
    if (!totals)
        return false;
    if (totals->step() != BooksCursor::Step::Row) {
        *error = totals->error();
        return false;
    }
    m_found->entries = totals->integer(0);
    if (totals->integer(0) == totals->integer(2) && totals->integer(1) == 1)
        return true;
    if (totals->integer(1) > 1)
        m_found->gaps.append(1);
    auto gaps = m_reader.prepare(QStringLiteral("SELECT ChangeIndex + 1 FROM ChangeLog c WHERE ChangeIndex < %1"
                                                " AND NOT EXISTS (SELECT 1 FROM ChangeLog d WHERE d.ChangeIndex ="
                                                " c.ChangeIndex + 1) ORDER BY 1 LIMIT %2")
                                     .arg(totals->integer(2))
                                     .arg(ChangeCheck::Listed),
                                 error);
    if (!gaps)
        return false;
    BooksCursor::Step step;
    while ((step = gaps->step()) == BooksCursor::Step::Row)
        m_found->gaps.append(gaps->integer(0));
    if (step == BooksCursor::Step::Failed) {
        *error = gaps->error();
        return false;
    }
    return true;
}

void Checker::finishRow(const Covered &table, qint64 row, const std::optional<QString> &image,
                        const ChangeReplay &replay)
{
    if (!image) {
        if (replay.seen() && !replay.deleted())
            broken(table, row, replay.state(), QStringLiteral("已不在帐簿中，但改动记录中没有它的删除"));
        return;
    }
    if (!replay.seen()) {
        broken(table, row, replay.fieldsOf(*image), QStringLiteral("在帐簿中，但改动记录中没有它"));
        return;
    }
    if (replay.deleted()) {
        broken(table, row, replay.fieldsOf(*image), QStringLiteral("改动记录中已删除，但仍在帐簿中"));
        return;
    }
    QStringList differing = replay.differences(*image);
    if (differing.isEmpty())
        return;
    for (QString &field : differing)
        field = ChangeRecord::fieldTitle(field);
    broken(table, row, replay.fieldsOf(*image),
           QStringLiteral("现在的内容与改动记录不符（%1）").arg(differing.join(QStringLiteral("、"))));
}

// One pass over the table's rows and its entries together, in row order: rows first, then each row's
// entries in their order.
bool Checker::checkTable(const Covered &table, const BooksFile::Progress &progress, EngineError *error)
{
    const QString key = m_dialect == Dialect::Sqlite ? table.key : table.serverKey();
    auto last = m_reader.prepare(QStringLiteral("SELECT coalesce(max(%1), 0) FROM %2").arg(key, table.table), error);
    if (!last || last->step() != BooksCursor::Step::Row) {
        if (last)
            *error = last->error();
        return false;
    }
    const qint64 lastKey = qMax<qint64>(1, last->integer(0));
    last.reset();
    // Each arm comes in its own order (the table's key, the entries' row index), so the engine can
    // merge them instead of sorting the lot.
    auto rows = m_reader.prepare(QStringLiteral("SELECT %1 AS r, 0 AS s, 0 AS i, '' AS k, %2 AS img FROM %3 AS t"
                                                " UNION ALL SELECT ChangeRow, 1, ChangeIndex, ChangeKind, ChangeAfter"
                                                " FROM ChangeLog WHERE ChangeTable = '%3' ORDER BY 1, 2, 3")
                                     .arg(key, ChangeRecord::imageExpression(m_dialect, table, QStringLiteral("t")),
                                          table.table),
                                 error);
    if (!rows)
        return false;
    std::optional<qint64> row;
    std::optional<QString> image;
    std::optional<ChangeReplay> replay;
    BooksCursor::Step step;
    qint64 counted = 0;
    while ((step = rows->step()) == BooksCursor::Step::Row) {
        const qint64 current = rows->integer(0);
        if (row != current) {
            if (row)
                finishRow(table, *row, image, *replay);
            row = current;
            image.reset();
            replay.emplace(table.fields);
            if (progress && ++counted % 4096 == 0)
                progress(int(std::clamp<qint64>(current * 100 / lastKey, 0, 100)));
        }
        m_values.clear();
        rows->appendRow(m_values);
        if (rows->integer(1) == 0)
            image = m_values.value(0, 4).toString();
        else
            replay->apply(m_values.value(0, 3).toString(), m_values.value(0, 4).toString());
    }
    if (step == BooksCursor::Step::Failed) {
        *error = rows->error();
        return false;
    }
    if (row)
        finishRow(table, *row, image, *replay);
    return true;
}

} // namespace

ChangeCheck::ChangeCheck(ShareDataModule &data)
    : m_data(data)
{
}

bool ChangeCheck::run(const BooksFile::Progress &progress, Findings *found, EngineError *error)
{
    *found = Findings();
    BooksEngine *engine = m_data.ADOConnection1(error);
    if (!engine)
        return false;
    {
        const EngineCall call(m_data);
        QStringList missing;
        if (!BooksUpkeep::missingChangeTriggers(*engine, &missing, error)
            || (!missing.isEmpty() && !BooksUpkeep::restoreChangeTriggers(*engine, missing, error)))
            return false;
        found->restored = missing;
    }
    std::unique_ptr<BooksConnection> reader = m_data.openReader(error);
    if (!reader || !reader->begin(BooksConnection::Intent::Read, error))
        return false;
    Checker checker(*reader, engine->dialect(), found);
    bool checked = checker.checkNumbers(error);
    const auto &tables = ChangeRecord::coveredTables();
    for (int i = 0; checked && i < tables.size(); ++i)
        checked = checker.checkTable(tables[i], BooksFile::within(progress, i * 100 / int(tables.size()),
                                                                  (i + 1) * 100 / int(tables.size())),
                                     error);
    reader->rollback();
    return checked;
}

QString ChangeCheck::report(const Findings &found)
{
    if (found.holds())
        return Holds;
    QStringList lines{QStringLiteral("改动记录校验发现问题，帐簿可能被绕过本软件改动过：")};
    if (!found.restored.isEmpty())
        lines.append(QStringLiteral("改动记录的保护触发器缺失（%1），已重新建立，并已在改动记录中记下。")
                         .arg(found.restored.join(QStringLiteral("、"))));
    if (!found.gaps.isEmpty()) {
        QStringList numbers;
        for (const qint64 gap : found.gaps)
            numbers.append(QString::number(gap));
        lines.append(QStringLiteral("改动记录的编号不连续，从以下编号起的记录缺失：%1。")
                         .arg(numbers.join(QStringLiteral("、"))));
    }
    if (found.brokenCount > 0) {
        lines.append(QStringLiteral("共 %1 条记录与改动记录不符：").arg(found.brokenCount));
        lines += found.brokenRows;
        if (found.brokenCount > found.brokenRows.size())
            lines.append(QStringLiteral("……"));
    }
    return lines.join(QLatin1Char('\n'));
}
