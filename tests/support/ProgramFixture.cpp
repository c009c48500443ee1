#include "ProgramFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Clock.h"
#include "data/DeliveredBooks.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "users/LoginPage.h"

#include "TestEngine.h"

namespace {
void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), to + QLatin1Char('/') + it.fileName());
    }
}
} // namespace

ProgramFixture::ProgramFixture(Start start)
{
    open(start);
}

ProgramFixture::ProgramFixture(const QString &serverBooks)
    : m_serverBooks(serverBooks)
    , m_ownsBooks(false)
{
    open(Start::Shown);
}

void ProgramFixture::open(Start start)
{
    QVERIFY2(m_dir.isValid(), "no temporary folder");
    m_oldOdbcIni = qgetenv("ODBCINI");
    qputenv("ODBCINI", QFile::encodeName(odbcIniPath()));
    copyFolder(QStringLiteral(KALVORA_RES_DIR), folder() + QStringLiteral("Res"));
    copyFolder(QStringLiteral(KALVORA_FRF_DIR), folder() + QStringLiteral("Frf"));
    if (m_ownsBooks)
        createBooks();
    else if (!TestEngine::registerServerBooks(odbcIniPath(), m_serverBooks))
        qFatal("cannot register the books on the test server");
    Clock::setToday(Today);
    Screen::install(&m_screen);
    if (start == Start::Shown)
        this->start();
}

ProgramFixture::~ProgramFixture()
{
    m_program.reset();
    // Anything the test did not script or check fails it.
    if (const QString leftovers = m_screen.leftovers(); !leftovers.isEmpty())
        QTest::qFail(qPrintable(leftovers), __FILE__, __LINE__);
    Screen::install(nullptr);
    Clock::setToday(QDate());
    if (!m_serverBooks.isEmpty() && m_ownsBooks)
        TestEngine::dropServerBooks(m_serverBooks);
    if (m_oldOdbcIni.isNull())
        qunsetenv("ODBCINI");
    else
        qputenv("ODBCINI", m_oldOdbcIni);
}

// Fresh delivered books: a file in the folder, or a database of the test cluster that the data source
// names, registered before the program's first start so that it keeps the entry.
void ProgramFixture::createBooks()
{
    QString error;
    if (!TestEngine::onServer()) {
        if (!DeliveredBooks::create(databasePath(), &error))
            qFatal("cannot create books: %s", qPrintable(error));
        return;
    }
    m_serverBooks = TestEngine::createServerBooks(&error);
    if (m_serverBooks.isEmpty() || !TestEngine::registerServerBooks(odbcIniPath(), m_serverBooks))
        qFatal("cannot create books on the test server: %s", qPrintable(error));
}

void ProgramFixture::start()
{
    // A second start ends the first program before the new windows register themselves.
    m_program.reset();
    m_program = std::make_unique<Program>(folder());
    main().show();
}

void ProgramFixture::restart()
{
    m_program.reset();
    start();
}

namespace {
void login(FormMain &main, const QString &role)
{
    LoginPage &page = *main.loginPage();
    page.ComboBox2()->setCurrentText(role);
    page.Edit3()->clear();
    main.findChild<QAction *>(QStringLiteral("ActionLogin"))->trigger();
}
} // namespace

void ProgramFixture::loginAsCashier(ScriptedScreen::DialogHandler chooser)
{
    m_screen.onDialog(QStringLiteral("FormChose"), chooser ? std::move(chooser) : [](QDialog &) {});
    login(main(), QStringLiteral("出纳"));
}

void ProgramFixture::loginAsAdministrator()
{
    login(main(), QStringLiteral("管理员"));
}

ScriptedScreen::DialogHandler ProgramFixture::pickBook(const QString &picture)
{
    return [picture](QDialog &chooser) {
        QLabel *book = chooser.findChild<QLabel *>(picture);
        QVERIFY2(book, qPrintable(picture));
        QTest::mouseClick(book, Qt::LeftButton);
    };
}

QString ProgramFixture::folder() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString ProgramFixture::settingsPath() const
{
    return folder() + QStringLiteral("Kalvora.ini");
}

QString ProgramFixture::databasePath() const
{
    return folder() + QStringLiteral("KalvoraCmp.mdb");
}

QString ProgramFixture::odbcIniPath() const
{
    return folder() + QStringLiteral("odbc.ini");
}

FormMain &ProgramFixture::main()
{
    return *windows().main;
}

const Windows &ProgramFixture::windows() const
{
    return m_program->windows();
}

Query &ProgramFixture::select(const QString &statement)
{
    Query &query = windows().data->ADOQueryTemp();
    query.setSql(statement);
    if (!query.open())
        qFatal("statement failed: %s: %s", qPrintable(statement), qPrintable(query.lastError()));
    return query;
}

void ProgramFixture::setServerReachable(bool reachable)
{
    QString error;
    const QString database = m_serverBooks;
    if (!TestEngine::runOnServer(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2")
                                     .arg(database, reachable ? u"true" : u"false"),
                                 &error)
        || (!reachable
            && !TestEngine::runOnServer(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                                       "WHERE datname = '%1' AND application_name = 'kalvora'")
                                            .arg(database),
                                        &error)))
        qFatal("cannot cut the program off from its server books: %s", qPrintable(error));
}

qint64 ProgramFixture::insert(const QString &table, const QList<std::pair<QString, QVariant>> &fields)
{
    Query &query = select(QStringLiteral("Select * From ") + table);
    query.append();
    for (const auto &[name, value] : fields)
        query.setField(name, value);
    if (!query.post())
        qFatal("insert failed: %s", qPrintable(query.lastError()));
    return query.rowId();
}
