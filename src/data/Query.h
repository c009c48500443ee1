#pragma once
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

#include "data/Failure.h"
#include "data/RowSource.h"
#include "data/RowStore.h"

class BooksCursor;
class BooksEngine;
class ShareDataModule;

// An updatable result of one Select on the shared connection, walked row by row.
//
// open() runs the statement and reads its rows, so one that fails on any row fails there. Only a whole
// table ("Select * From" a table, nothing more) is read at the first access that needs it; a failure
// then closes the query and is told through the late-failure report. The engine's statement is finished
// once its rows are in, so no read stays pending and every post() is committed at once. A result whose Select reads a single
// table is updatable: append()/edit(), setField(), post() and remove() write that table's row by its row
// id, and fail when the row is no longer stored (or, where the engine keeps row versions, was changed by
// someone else since it was read). Rows of one table come in the order of their row ids unless the Select
// orders them. Opening a Select only to append reads no more than two rows, however long the table.
class Query : public RowSource
{
public:
    explicit Query(ShareDataModule &database);
    ~Query() override;
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    void setSql(const QString &statement);
    QString sql() const { return m_sql; }
    // Called when reading the rest of a whole table fails after open(); setSql() forgets it.
    void setLateFailureReport(std::function<void()> report);

    bool open(); // false with lastError() set (also for a text of more than one statement); stays closed
    void close();
    bool isOpen() const override { return m_open; }
    QString lastError() const { return m_failure.text; }
    EngineError lastFailure() const { return m_failure; } // the error with its kind and result code

    // Walking.
    void first();
    void next();
    bool eof();
    int recordCount() override;
    int recNo(); // zero-based position of the current row, -1 when there is none
    void moveTo(int row) override;

    QStringList fieldNames() const override { return m_columns; }
    QVariant value(int row, int column) override;
    qint64 rowId(); // row id of the current row of an updatable result, 0 when there is none
    // The version the current row was read in; null where the engine keeps none. A dialog keeps the
    // version of the row it shows, so that 确定 stores only over the row it showed.
    QVariant rowVersion();
    // Whether the current row is still in the version `shown` (always, for a null `shown`).
    bool isAsShown(const QVariant &shown);

    // Values of the current row; an empty field reads as "" / 0.
    QVariant field(const QString &name);
    QString fieldText(const QString &name);
    double fieldNumber(const QString &name);
    qint64 fieldInteger(const QString &name);
    QDate fieldDate(const QString &name);

    // Changing rows of the base table. post() and remove() return false with lastError() set.
    bool isUpdatable() const { return !m_table.isEmpty(); }
    QString baseTable() const { return m_table; }
    bool append();
    bool edit();
    // edit() of the row a dialog showed in version `shown`: post() stores only if no one changed the
    // row since, however often it was read again meanwhile, else fails with EngineText::RowChanged.
    bool editAsShown(const QVariant &shown);
    void setField(const QString &name, const QVariant &value);
    bool post();
    void cancel();
    bool remove();
    // Deletes, in one statement, every row of the base table the Select's condition selects now, also
    // rows stored since the result was read; the result is left empty. Not for a Select with Order By
    // or Limit.
    bool removeAll();

private:
    enum class State { Browse, Inserting, Editing };

    void describeColumns(int hidden); // hidden: the row id and version columns that end the result
    bool readAhead();
    bool peek(BooksEngine &db, const QString &statement);
    bool ensureRows();
    bool finishReading(bool done);
    bool fail(const QString &message);
    bool failWith(const EngineError &error); // false with the engine's error
    BooksEngine *connection();               // the shared connection; nullptr with the error set
    bool writeRow();
    void takeStoredRow(const QHash<QString, QVariant> &stored, qint64 rowId);
    qint64 currentRowId() const;
    QVariant currentVersion() const;
    void finalize();

    ShareDataModule &m_db;
    QString m_sql;
    EngineError m_failure;
    bool m_open = false;
    std::unique_ptr<BooksCursor> m_cursor; // while rows are still to be read
    QStringList m_columns;      // result columns, as the statement names them
    QStringList m_baseColumns;  // for each result column its base table column, or empty
    int m_rowIdColumn = -1;     // hidden row id column of an updatable result
    int m_versionColumn = -1;   // hidden row version column after it, where the engine keeps versions
    QString m_table;
    RowStore m_rows;
    int m_current = 0;
    State m_state = State::Browse;
    QHash<QString, QVariant> m_pending; // assigned fields, by base column name in lower case
    QVariant m_shownVersion;            // the version an edit must find, when a dialog showed the row
    std::function<void()> m_lateFailure;
};
