#pragma once
#include <memory>
#include <mutex>

#include "data/BooksEngine.h"
#include "data/postgres/PgCursor.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgLink.h"

namespace Pg {

// A connection on the server's books, as the program's own connection (Interface = BooksEngine) or as
// a reader beside it (Interface = BooksConnection).
template <class Interface>
class PgConnection : public Interface
{
public:
    explicit PgConnection(std::unique_ptr<Link> link)
        : m_link(std::move(link))
    {
    }

    // Sent through the extended protocol only, which takes exactly one statement: an injected second
    // one is refused by the server and never runs.
    std::unique_ptr<BooksCursor> prepare(const QString &statement, EngineError *error) override
    {
        const QByteArray text = statement.toUtf8();
        Result described = describe(text, error);
        if (!described && !m_link->inTransaction() && PQstatus(m_link->conn()) == CONNECTION_BAD)
            described = describe(text, error); // the connection is opened again by then
        if (!described)
            return nullptr;
        return std::make_unique<PgCursor>(*m_link, statement, std::move(described));
    }

    // Parsed, bound and run in one round trip; the first result names the columns.
    std::unique_ptr<BooksCursor> start(const QString &statement, EngineError *error) override
    {
        for (int sent = 1;; ++sent) {
            auto cursor = std::make_unique<PgCursor>(*m_link, statement);
            if (cursor->start(statement))
                return cursor;
            // It only reads, so it is sent again, once, on the connection opened again.
            if (sent > 1 || m_link->inTransaction() || PQstatus(m_link->conn()) != CONNECTION_BAD) {
                *error = cursor->error();
                return nullptr;
            }
        }
    }

    bool begin(BooksConnection::Intent intent, EngineError *error) override { return m_link->begin(intent, error); }
    bool commit(EngineError *error) override { return m_link->commit(error); }
    void rollback() override { m_link->rollback(); }
    bool inTransaction() const override { return m_link->inTransaction(); }
    void interrupt() override { m_link->interrupt(); }
    void waitQuietly(int milliseconds) override { m_link->waitQuietly(milliseconds); }

protected:
    Result describe(const QByteArray &text, EngineError *error)
    {
        if (!m_link->settle(error))
            return wrap(nullptr);
        const Result prepared = wrap(PQprepare(m_link->conn(), "", text.constData(), 0, nullptr));
        if (!succeeded(prepared.get())) {
            *error = errorOf(m_link->conn(), prepared.get(), text);
            return wrap(nullptr);
        }
        Result described = wrap(PQdescribePrepared(m_link->conn(), ""));
        if (!succeeded(described.get())) {
            *error = errorOf(m_link->conn(), described.get(), text);
            return wrap(nullptr);
        }
        return described;
    }

    std::unique_ptr<Link> m_link;
};

// The connection of a reader left idle, kept for the next reader: a new connection costs the server a
// process of its own and the time to learn the books' tables again, which a grid would wait for at
// each open.
class IdleReader
{
public:
    std::unique_ptr<Link> take()
    {
        const std::lock_guard lock(m_lock);
        std::unique_ptr<Link> link = std::move(m_link);
        return link && link->isOpenAndIdle() ? std::move(link) : nullptr;
    }
    void keep(std::unique_ptr<Link> link)
    {
        if (!link->readyForAnother())
            return;
        const std::lock_guard lock(m_lock);
        if (!m_link)
            m_link = std::move(link);
    }

private:
    std::mutex m_lock;
    std::unique_ptr<Link> m_link;
};

// A connection reading beside the program's own, handed back when closed: from any thread, and even
// after the books are closed, when the last holder of `idle` closes it.
class Reader final : public PgConnection<BooksConnection>
{
public:
    Reader(std::unique_ptr<Link> link, std::shared_ptr<IdleReader> idle)
        : PgConnection(std::move(link))
        , m_idle(std::move(idle))
    {
    }
    ~Reader() override { m_idle->keep(std::move(m_link)); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

private:
    const std::shared_ptr<IdleReader> m_idle;
};

} // namespace Pg
