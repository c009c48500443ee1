#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "support/ProgramFixture.h"
#include "app/Program.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "grid/DataGrid.h"
#include "reporting/Report.h"
#include "reports/SheetExport.h"

namespace {

// Three rows of MoneyTable with texts of clearly different widths, shown in a grid on screen.
struct SeededGrid
{
    ProgramFixture program;
    Query query{ShareDataModule::instance()};
    DataGrid grid;

    explicit SeededGrid(const QString &statement, const QSize &size = QSize(400, 200))
    {
        add(QStringLiteral("甲"), 12.5);
        add(QStringLiteral("一个名字很长很长的客户"), -0.4);
        add(QStringLiteral("乙"), 0.1);
        grid.resize(size);
        grid.show();
        show(statement);
    }

    void add(const QString &user, double sum)
    {
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyUser"), user}, {QStringLiteral("MoneySum"), sum}});
    }

    // Opens the statement and shows it with fresh columns.
    void show(const QString &statement)
    {
        query.setSql(statement);
        if (!query.open())
            qFatal("%s", qPrintable(query.lastError()));
        grid.setQuery(&query);
        grid.rebuildColumns();
    }
};

// 77 records of 12.3 (客户0 to 客户76) read in windows of two pages of 4 rows: 8 first rows, the
// rest counted behind them.
struct WindowedBooks
{
    ProgramFixture program;
    WindowedQuery rows{ShareDataModule::instance(), 2};
    DataGrid grid;

    WindowedBooks()
    {
        for (int i = 0; i < 77; ++i)
            program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyUser"), QStringLiteral("客户%1").arg(i)},
                                                          {QStringLiteral("MoneySum"), 12.3}});
    }

    bool open(const QStringList &summed)
    {
        return rows.open({QStringLiteral("MoneyIndex,MoneyUser,MoneySum"), QStringLiteral("MoneyTable"),
                          QStringLiteral("(1 = 1)"), QString(), QStringLiteral(" Order By MoneyIndex"),
                          QStringLiteral("MoneyIndex"), summed});
    }
};

} // namespace

// The read-only grid over a query: model, footer row, colour rule, remembered widths, current row.
class GridTest : public QObject
{
    Q_OBJECT

private slots:
    void modelPassesTheModelTester()
    {
        SeededGrid seeded(QStringLiteral("Select MoneyIndex From MoneyTable"));
        Query &query = seeded.query;
        QueryModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setQuery(&query);
        query.setSql(QStringLiteral("Select MoneyIndex,MoneyUser,MoneySum From MoneyTable"));
        QVERIFY(query.open());
        model.setQuery(&query);
        model.columnsFromFields();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("MoneyUser"));
        QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("-0.4"));
        model.setTitle(1, QStringLiteral("客户"));
        model.setCurrentRow(2);
        model.setCurrentRow(0);
        query.close();
        model.setQuery(&query);
        QCOMPARE(model.rowCount(), 0);
        model.clearColumns();
        QCOMPARE(model.columnCount(), 0);
    }

    void footerShowsTextSumAndCountOverAllRows_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("sum");
        QTest::newRow("three rows") << QString() << QStringLiteral("3条") << QStringLiteral("12.2");
        QTest::newRow("no row") << QStringLiteral(" Where MoneySum > 100") << QStringLiteral("0条") << QStringLiteral("0");
    }

    void footerShowsTextSumAndCountOverAllRows()
    {
        QFETCH(QString, where);
        QFETCH(QString, count);
        QFETCH(QString, sum);
        // Room for about one row: the footer still counts and sums every row.
        SeededGrid seeded(QStringLiteral("Select MoneyIndex,MoneyUser,MoneySum From MoneyTable") + where, QSize(300, 60));
        DataGrid &grid = seeded.grid;
        grid.setFooter(0, DataGrid::Footer::count(QStringLiteral("条")));
        grid.setFooter(1, DataGrid::Footer::fixedText(QStringLiteral("合计")));
        grid.setFooter(2, DataGrid::Footer::sum());
        QCOMPARE(grid.footerText(0), count);
        QCOMPARE(grid.footerText(1), QStringLiteral("合计"));
        QCOMPARE(grid.footerText(2), sum);

        // Reopened with more rows, the footer follows; rebuilt columns start without footers.
        seeded.add(QString(), 1000);
        seeded.query.setSql(seeded.query.sql());
        QVERIFY(seeded.query.open());
        grid.setQuery(&seeded.query);
        QCOMPARE(grid.footerText(0).chopped(1).toInt(), count.chopped(1).toInt() + 1);
        grid.rebuildColumns();
        QCOMPARE(grid.footerText(0), QString());
        QCOMPARE(grid.footerText(2), QString());
    }

    void chosenFieldsInTheirOrder()
    {
        SeededGrid seeded(QStringLiteral("Select * From MoneyTable Order By MoneyIndex"));
        DataGrid &grid = seeded.grid;
        grid.setFooter(0, DataGrid::Footer::count(QStringLiteral("条")));
        grid.rebuildColumns({QStringLiteral("MoneySum"), QStringLiteral("MoneyNone"), QStringLiteral("moneyuser")});
        QCOMPARE(grid.columnCount(), 2);
        QCOMPARE(grid.fieldName(0), QStringLiteral("MoneySum"));
        QCOMPARE(grid.fieldName(1), QStringLiteral("MoneyUser"));
        QCOMPARE(grid.model().data(grid.model().index(2, 1)).toString(), QStringLiteral("乙"));
        QCOMPARE(grid.footerText(0), QString()); // the old columns' footers are gone
    }

    void colourRuleColoursCellsByFieldAndValue()
    {
        SeededGrid seeded(QStringLiteral("Select MoneyUser,MoneySum From MoneyTable"));
        DataGrid &grid = seeded.grid;
        grid.setColourRule([](const QString &field, const QVariant &value) {
            return field == u"MoneySum" && value.toDouble() < 0 ? QColor(Qt::red) : QColor();
        });
        QCOMPARE(grid.cellColour(1, 1), QColor(Qt::red));
        QVERIFY(!grid.cellColour(0, 1).isValid());
        QVERIFY(!grid.cellColour(1, 0).isValid());
    }

    void titleClickWidensToTheWidestTextDrawn_data()
    {
        QTest::addColumn<bool>("remembers");
        QTest::newRow("record grid") << true;
        QTest::newRow("fixed widths") << false;
    }

    // With remembered widths a title click widens a column to its widest text drawn; a grid of fixed
    // widths neither measures nor widens.
    void titleClickWidensToTheWidestTextDrawn()
    {
        QFETCH(bool, remembers);
        SeededGrid seeded(QStringLiteral("Select MoneyUser,MoneySum From MoneyTable"), QSize(500, 200));
        DataGrid &grid = seeded.grid;
        grid.setRememberedWidths(remembers);
        QCOMPARE(grid.rememberedWidth(0), 0);
        grid.setColumnWidth(0, 30);
        grid.setColumnWidth(1, 300);
        grid.grab(); // draws every cell

        const int longest = grid.fontMetrics().horizontalAdvance(QStringLiteral("一个名字很长很长的客户"));
        if (remembers) {
            QVERIFY(grid.rememberedWidth(0) >= longest + DataGrid::WidthMargin);
            QVERIFY(grid.rememberedWidth(0) <= longest + 2 * DataGrid::WidthMargin);
        } else {
            QCOMPARE(grid.rememberedWidth(0), 0);
        }

        QHeaderView *titles = grid.horizontalHeader();
        const auto clickTitle = [titles](int column) {
            QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                              QPoint(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
                                     titles->height() / 2));
        };
        clickTitle(0);
        QCOMPARE(grid.columnWidth(0), remembers ? grid.rememberedWidth(0) : 30);
        clickTitle(1); // wider than anything drawn in it: never made narrower
        QCOMPARE(grid.columnWidth(1), 300);

        grid.rebuildColumns();
        QCOMPARE(grid.rememberedWidth(0), 0);
    }

    void selectedRowBecomesTheQueryRow()
    {
        SeededGrid seeded(QStringLiteral("Select MoneyIndex,MoneyUser From MoneyTable Order By MoneyIndex"));
        DataGrid &grid = seeded.grid;
        Query &query = seeded.query;
        QCOMPARE(grid.currentIndex().row(), 0);
        QCOMPARE(grid.model().headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));

        grid.selectRow(2);
        QCOMPARE(query.recNo(), 2);
        QCOMPARE(query.fieldText(QStringLiteral("MoneyUser")), QStringLiteral("乙"));
        QCOMPARE(grid.model().headerData(0, Qt::Vertical).toString(), QString());
        QCOMPARE(grid.model().headerData(2, Qt::Vertical).toString(), QStringLiteral("▶"));
    }

    // Rows read afresh show from the top, also in a grid not on screen, which reads only what it shows.
    void freshRowsShowFromTheTop_data()
    {
        QTest::addColumn<bool>("onScreen");
        QTest::newRow("on screen") << true;
        QTest::newRow("hidden") << false;
    }

    void freshRowsShowFromTheTop()
    {
        QFETCH(bool, onScreen);
        SeededGrid seeded(QStringLiteral("Select MoneyIndex From MoneyTable"), QSize(200, 80));
        for (int n = 0; n < 40; ++n)
            seeded.add(QStringLiteral("丙"), n);
        seeded.grid.setVisible(onScreen);
        seeded.show(QStringLiteral("Select MoneyIndex From MoneyTable Order By MoneyIndex"));
        seeded.grid.scrollToBottom();
        QVERIFY(seeded.grid.verticalScrollBar()->value() > 0);

        seeded.show(QStringLiteral("Select MoneyIndex From MoneyTable Order By MoneyIndex Desc"));
        QCOMPARE(seeded.grid.verticalScrollBar()->value(), 0);
        QCOMPARE(seeded.grid.currentIndex().row(), 0);
    }

    // The footer and the scroll bar under it never hide the last row of a long result.
    void lastRowShowsAboveTheFooter_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(400, 120);
        QTest::newRow("narrow, scrolling sideways") << QSize(120, 120);
    }

    void lastRowShowsAboveTheFooter()
    {
        QFETCH(QSize, size);
        SeededGrid seeded(QStringLiteral("Select MoneyIndex,MoneyUser,MoneySum From MoneyTable"), size);
        for (int n = 0; n < 40; ++n)
            seeded.add(QStringLiteral("丙"), n);
        seeded.show(QStringLiteral("Select MoneyIndex,MoneyUser,MoneySum From MoneyTable Order By MoneyIndex"));
        DataGrid &grid = seeded.grid;
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QModelIndex last = grid.model().index(grid.model().rowCount() - 1, 0);
        QTest::keyClick(grid.viewport(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid.currentIndex().row(), last.row());
        const QRect shown = grid.visualRect(grid.currentIndex());
        QVERIFY2(grid.viewport()->rect().contains(shown),
                 qPrintable(QStringLiteral("row at %1..%2, rows shown down to %3")
                                .arg(shown.top()).arg(shown.bottom()).arg(grid.viewport()->height())));
    }

    // Rows read in windows show their first pages at once; the count and sums follow, and the rows
    // grow to the count without moving the current row, the selection or the scroll place.
    void windowedRowsGrowWhenCounted()
    {
        WindowedBooks books;
        WindowedQuery &rows = books.rows;
        DataGrid &grid = books.grid;
        QAbstractItemModelTester tester(&grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.resize(300, 120);
        grid.show();
        QVERIFY(books.open({QStringLiteral("MoneySum")}));
        grid.setQuery(&rows);
        grid.rebuildColumns();
        grid.setFooter(0, DataGrid::Footer::count(QStringLiteral("条")));
        grid.setFooter(2, DataGrid::Footer::sum());
        QCOMPARE(grid.model().rowCount(), 8);
        QCOMPARE(grid.footerText(0), QString());
        QCOMPARE(grid.footerText(2), QString());
        QCOMPARE(grid.model().data(grid.model().index(7, 1)).toString(), QStringLiteral("客户7"));
        grid.setCurrentIndex(grid.model().index(5, 1));
        grid.verticalScrollBar()->setValue(3);
        const int scrolled = grid.verticalScrollBar()->value();

        rows.waitForKeys();
        QCOMPARE(grid.model().rowCount(), 8); // until the program gets to the news
        QCoreApplication::sendPostedEvents(&rows);
        QCOMPARE(grid.model().rowCount(), 77);
        QCOMPARE(grid.footerText(0), QStringLiteral("77条"));
        QCOMPARE(grid.footerText(2), QStringLiteral("947.1"));
        QCOMPARE(grid.currentIndex(), grid.model().index(5, 1));
        QCOMPARE(grid.selectionModel()->selectedRows().value(0).row(), 5);
        QCOMPARE(grid.verticalScrollBar()->value(), scrolled);
        QCOMPARE(grid.model().data(grid.model().index(76, 1)).toString(), QStringLiteral("客户76"));
    }

    // A count that fails behind the first rows is not taken for the whole result: an export or a print
    // in the meantime leaves nothing, and once the program gets to the news the grid empties and the
    // failure is told, once.
    void windowedCountFailingIsTold()
    {
        WindowedBooks books;
        WindowedQuery &rows = books.rows;
        DataGrid &grid = books.grid;
        closeOnLateFailure(rows, grid, QStringLiteral("报表的记录读取失败，请重新生成报表。"));
        // Summed by the count only, which cannot work it out at the 70th record.
        QVERIFY(books.open({QStringLiteral(
            "Abs(MoneyIndex * 0 - 9223372036854775807 - (Case When MoneyIndex = 70 Then 1 Else 0 End))")}));
        grid.setQuery(&rows);
        grid.rebuildColumns();
        QCOMPARE(grid.model().rowCount(), 8);
        rows.waitForKeys();
        QVERIFY(rows.readFailed());

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("rows.xlsx"));
        QCOMPARE(SheetExport::write(path, grid, QDate(2026, 12, 11), {}), SheetExport::Outcome::Unread);
        QVERIFY(!QFileInfo::exists(path));
        Report print(ShareDataModule::instance(), rows);
        QVERIFY(print.loadTemplate(ProgramPaths::file(QStringLiteral("Frf/Report.frf"))));
        QVERIFY(!print.build());
        QCOMPARE(books.program.screen().takeMessages(), QStringList());

        QCoreApplication::sendPostedEvents(&rows);
        QCoreApplication::processEvents();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("报表的记录读取失败，请重新生成报表。")});
        QCOMPARE(grid.model().rowCount(), 0);
        QVERIFY(!rows.isOpen());
        QCoreApplication::processEvents();
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
