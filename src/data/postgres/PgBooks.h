#pragma once
#include <QString>
#include <memory>

#include "data/BooksEngine.h"
#include "data/postgres/PgConnection.h"
#include "data/postgres/PgSpelling.h"

namespace Pg {

// The program's connection to the server's books. Rows are written by their table's key.
class PgBooks final : public PgConnection<BooksEngine>
{
public:
    using PgConnection::PgConnection;

    Dialect dialect() const override { return Dialect::Postgres; }

    bool execute(const QString &statements, EngineError *error) override { return m_link->run(statements, error); }

    QString fromJet(const QString &jet, QString *error) const override;
    QString rowIdExpression(const QString &table) override;
    // The transaction that wrote the row's version: any change by anyone gives the row a new one.
    QString rowVersionExpression() const override { return QStringLiteral("xmin"); }

    bool insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                   EngineError *error) override;
    bool updateRow(const QString &table, qint64 rowId, const QVariant &version, const Fields &fields,
                   StoredRow *stored, EngineError *error) override;
    bool deleteRow(const QString &table, qint64 rowId, const QVariant &version, EngineError *error) override;

    bool setOperator(const QString &role, EngineError *error) override { return m_link->setOperator(role, error); }

    bool acceptsChanges(EngineError *why) override;

    std::unique_ptr<BooksConnection> openReader(EngineError *error) override;

    Link &link() { return *m_link; }

    // From a connection of its own, in one snapshot of the books, into a books file.
    bool copyTo(const QString &target, BooksFile::Failure *failure, const BooksFile::Progress &progress) override;

private:
    QString name(const QString &table) const { return QString::fromUtf8(identifier(m_link->conn(), table)); }
    QString keyFor(const QString &table, EngineError *error);
    bool takeRow(const QString &key, Result result, qint64 *rowId, StoredRow *stored, EngineError *error);
    QString rowCondition(const QString &key, const QVariant &version, QVariantList *values) const;
    void tellMissing(const QString &table, const QString &key, qint64 rowId, EngineError *error);

    const std::shared_ptr<IdleReader> m_idleReader = std::make_shared<IdleReader>();
};

// The link under books PgEngine::open() made, for the modules of the books' own features
// (PgChangeRecord, PgMonthTotals) and the trace.
Link &linkOf(BooksEngine &books);

} // namespace Pg
