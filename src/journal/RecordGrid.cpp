#include "journal/RecordGrid.h"

#include <array>
#include <optional>

#include "data/Failure.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "grid/DataGrid.h"
#include "ui/Screen.h"

namespace {

struct ColumnLook
{
    const char *field;
    const char *title;
    int width;
};

// In the order they are applied to each column.
const std::array<ColumnLook, 12> RecordColumns{{
    {"AccountIndex", "帐户编号", 60},
    {"AccountName", "帐户名", 90},
    {"MoneyIndex", "记录号", 50},
    {"MoneySerial", "单据编号", 60},
    {"MoneyCreateTime", "录入时间", 70},
    {"MoneyUser", "客户名称", 100},
    {"MoneySum", "金额", 60},
    {"MoneyMan", "业务员", 48},
    {"MoneyType", "类别", 40},
    {"MoneyToken", "凭证", 40},
    {"MoneyReason", "收支种类", 60},
    {"MoneyRemark", "备注", 128},
}};

const QString IndexField = QStringLiteral("MoneyIndex");
constexpr char SumFieldName[] = "MoneySum";
const QString SumField = QString::fromLatin1(SumFieldName);

bool isField(const QString &name, const QString &field)
{
    return name.compare(field, Qt::CaseInsensitive) == 0;
}

DataGrid::Footer blueCentred(DataGrid::Footer footer)
{
    footer.alignment = Qt::AlignCenter;
    footer.colour = Qt::blue;
    return footer;
}

// Negative amounts in red, every other amount in black.
QColor amountColour(const QString &field, const QVariant &value)
{
    if (!isField(field, SumField))
        return {};
    return value.toDouble() < 0 ? QColor(Qt::red) : QColor(Qt::black);
}

void setupRecordColumns(DataGrid &grid)
{
    grid.setRememberedWidths(true);
    grid.rebuildColumns();
    grid.setColourRule(amountColour);
    for (int column = 0; column < grid.columnCount(); ++column)
        for (const ColumnLook &look : RecordColumns)
            SetupGridColumn(grid, QString::fromUtf8(look.title), QString::fromLatin1(look.field), look.width, column);
}

// Shows the opened rows in the grid with the record columns, or tells why they could not be read.
bool showRecordGrid(RowSource &rows, DataGrid &grid, const std::optional<EngineError> &failure,
                    const QString &failureIntro)
{
    grid.setQuery(&rows);
    if (failure) {
        grid.clearColumns();
        // The engine's text names a field misspelt in the settings file; a failure the user can
        // meet otherwise is told in the cashier's words.
        const QString sentence = FailureSentence(*failure);
        Screen::current().error(failureIntro + (sentence.isEmpty() ? failure->text : sentence), failure->text);
        return false;
    }
    setupRecordColumns(grid);
    return true;
}

} // namespace

QString ReportFields()
{
    return ReadSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"),
                       QStringLiteral("MoneyIndex,MoneySerial,MoneyCreateTime,AccountName,MoneyUser,MoneySum,MoneyMan,"
                                      "MoneyReason,MoneyType,MoneyToken,MoneyRemark"),
                       ProgramPaths::settingsPath());
}

WindowedQuery::Statement ReportGridStatement(const QString &filter, const QString &order)
{
    return {ReportFields(),
            QStringLiteral("Account,MoneyTable"),
            QStringLiteral("(AccountIndex = MoneyAccount)"),
            filter,
            order,
            IndexField,
            {QString::fromLatin1(SumFieldName)}};
}

bool OpenRecordGrid(Query &query, DataGrid &grid, const QString &statement, const QString &failureIntro)
{
    query.close();
    query.setSql(statement);
    const bool opened = query.open();
    return showRecordGrid(query, grid, opened ? std::nullopt : std::optional(query.lastFailure()), failureIntro);
}

bool OpenRecordGrid(WindowedQuery &rows, DataGrid &grid, const WindowedQuery::Statement &statement,
                    const QString &failureIntro)
{
    const bool opened = rows.open(statement);
    return showRecordGrid(rows, grid, opened ? std::nullopt : std::optional(rows.lastFailure()), failureIntro);
}

void SetupGridColumn(DataGrid &grid, const QString &title, const QString &field, int width, int column)
{
    if (!isField(grid.fieldName(column), field))
        return;
    grid.setTitle(column, title);
    grid.setAlignment(column, Qt::AlignHCenter);
    grid.setColumnWidth(column, width);
    if (isField(field, IndexField))
        grid.setFooter(column, blueCentred(DataGrid::Footer::count(QStringLiteral("条"))));
    else if (isField(field, SumField))
        grid.setFooter(column, blueCentred(DataGrid::Footer::sum()));
}

std::optional<int> RecordToCorrect(const RowSource &rows, const QVariant &index, const QString &noSelection)
{
    if (rows.isOpen() && !rows.hasField(IndexField)) {
        Screen::current().inform(QStringLiteral("显示字段中没有记录号，无法打开记录。"
                                                "请在设置文件的显示字段（ReportFields）中加入 MoneyIndex。"));
        return std::nullopt;
    }
    if (!index.isValid() || index.isNull()) {
        Screen::current().inform(noSelection);
        return std::nullopt;
    }
    return int(index.toLongLong());
}
