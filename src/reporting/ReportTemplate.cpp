#include "reporting/ReportTemplate.h"

#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

struct Token
{
    QString text;
    bool quoted = false;
};

struct Paper
{
    const char *name;
    double width, height;
};

constexpr Paper Papers[] = {{"A4", 210, 297}, {"A5", 148, 210}, {"B5", 176, 250}, {"Letter", 215.9, 279.4}};

const char *const BandNames[ReportBand::KindCount] = {"title", "pageheader", "columnheader", "data", "summary",
                                                      "pagefooter"};

// Thrown inside the parser only: a fault and the line it stands on.
struct Fault
{
    QString what;
};

class Parser
{
public:
    ReportTemplate run(const QString &text);

private:
    QList<Token> tokenize(const QString &line);
    void statement(const QList<Token> &tokens);
    void pageStatement(const QList<Token> &tokens);
    void fontStatement(const QList<Token> &tokens);
    void rowStatement(const QList<Token> &tokens);
    void bandStatement(const QList<Token> &tokens);
    void columnStatement(const QList<Token> &tokens);
    void itemStatement(const QList<Token> &tokens);
    void options(const QList<Token> &tokens, qsizetype from, ReportItem &item, bool textAllowed);
    double number(const Token &token, const char *what) const;
    double length(const Token &token, const char *what, bool *toRightMargin = nullptr) const;
    void needCount(const QList<Token> &tokens, qsizetype least, const QString &form) const;

    ReportTemplate m_template;
    int m_line = 0;
    enum class Inside { Nothing, Band, Columns } m_inside = Inside::Nothing;
    ReportBand *m_band = nullptr;
    int m_openedAt = 0;
    QString m_opened;
};

QString quotedWord(const QString &word)
{
    return QStringLiteral("“") + word + QStringLiteral("”");
}

QList<Token> Parser::tokenize(const QString &line)
{
    QList<Token> tokens;
    for (qsizetype i = 0; i < line.size();) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == QLatin1Char('"')) {
            QString text;
            qsizetype j = i + 1;
            for (;; ++j) {
                if (j >= line.size())
                    throw Fault{QStringLiteral("引号没有结束")};
                if (line[j] == QLatin1Char('"')) {
                    if (j + 1 < line.size() && line[j + 1] == QLatin1Char('"')) {
                        text += QLatin1Char('"');
                        ++j;
                        continue;
                    }
                    break;
                }
                text += line[j];
            }
            tokens.append({text, true});
            i = j + 1;
            continue;
        }
        qsizetype j = i;
        while (j < line.size() && !line[j].isSpace() && line[j] != QLatin1Char('"'))
            ++j;
        tokens.append({line.mid(i, j - i), false});
        i = j;
    }
    return tokens;
}

double Parser::number(const Token &token, const char *what) const
{
    bool ok = false;
    const double value = token.quoted ? 0 : token.text.toDouble(&ok);
    if (!ok || value < 0)
        throw Fault{QString::fromUtf8(what) + QStringLiteral("应是不小于 0 的数，而不是") + quotedWord(token.text)};
    return value;
}

double Parser::length(const Token &token, const char *what, bool *toRightMargin) const
{
    if (toRightMargin && !token.quoted && token.text == u"*") {
        *toRightMargin = true;
        return 0;
    }
    return number(token, what);
}

void Parser::needCount(const QList<Token> &tokens, qsizetype least, const QString &form) const
{
    if (tokens.size() < least)
        throw Fault{QStringLiteral("内容不全，应写成 ") + form};
}

ReportTemplate Parser::run(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool anything = false;
    try {
        for (const QString &raw : lines) {
            ++m_line;
            const QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            anything = true;
            statement(tokenize(line));
        }
        m_line = 0;
        if (!anything)
            throw Fault{QStringLiteral("模板文件是空的")};
        if (m_inside != Inside::Nothing) {
            m_line = m_openedAt;
            throw Fault{quotedWord(m_opened) + QStringLiteral("没有对应的 end")};
        }
    } catch (const Fault &fault) {
        m_template.error = fault.what;
        m_template.errorLine = m_line;
    }
    return m_template;
}

void Parser::statement(const QList<Token> &tokens)
{
    const QString word = tokens.first().quoted ? QString() : tokens.first().text.toLower();
    if (word == u"end") {
        if (m_inside == Inside::Nothing)
            throw Fault{QStringLiteral("多余的 end，前面没有 band 或 columns")};
        m_inside = Inside::Nothing;
        m_band = nullptr;
        return;
    }
    if (m_inside == Inside::Columns)
        return columnStatement(tokens);
    if (m_inside == Inside::Band) {
        if (word == u"band" || word == u"columns")
            throw Fault{QStringLiteral("第 %1 行的").arg(m_openedAt) + quotedWord(m_opened)
                        + QStringLiteral("还没有 end，不能再开始") + quotedWord(word)};
        return itemStatement(tokens);
    }
    if (word == u"page")
        return pageStatement(tokens);
    if (word == u"font")
        return fontStatement(tokens);
    if (word == u"row")
        return rowStatement(tokens);
    if (word == u"band")
        return bandStatement(tokens);
    if (word == u"columns") {
        if (m_template.hasColumns)
            throw Fault{QStringLiteral("columns 只能写一次")};
        m_template.hasColumns = true;
        m_inside = Inside::Columns;
        m_openedAt = m_line;
        m_opened = QStringLiteral("columns");
        return;
    }
    throw Fault{QStringLiteral("不认识的内容") + quotedWord(tokens.first().text)};
}

void Parser::pageStatement(const QList<Token> &tokens)
{
    const QString form = QStringLiteral("page A4 portrait 左 上 右 下");
    needCount(tokens, 7, form);
    std::optional<QSizeF> paper;
    for (const Paper &known : Papers)
        if (tokens[1].text.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            paper = QSizeF(known.width, known.height);
    if (!paper)
        throw Fault{QStringLiteral("不认识的纸张") + quotedWord(tokens[1].text) + QStringLiteral("（可用 A4、A5、B5、Letter）")};
    const QString orientation = tokens[2].text.toLower();
    if (orientation == u"landscape")
        paper->transpose();
    else if (orientation != u"portrait")
        throw Fault{QStringLiteral("纸张方向应是 portrait 或 landscape，而不是") + quotedWord(tokens[2].text)};
    m_template.paper = *paper;
    m_template.margins = QMarginsF(length(tokens[3], "左边距"), length(tokens[4], "上边距"),
                                   length(tokens[5], "右边距"), length(tokens[6], "下边距"));
    if (m_template.printableWidth() <= 0 || m_template.printableHeight() <= 0)
        throw Fault{QStringLiteral("页边距比纸张还大")};
}

void Parser::fontStatement(const QList<Token> &tokens)
{
    needCount(tokens, 3, QStringLiteral("font \"字体\" 字号"));
    m_template.font.family = tokens[1].text;
    m_template.font.size = number(tokens[2], "字号");
    if (m_template.font.size <= 0)
        throw Fault{QStringLiteral("字号应大于 0")};
}

void Parser::rowStatement(const QList<Token> &tokens)
{
    needCount(tokens, 3, QStringLiteral("row 名称 \"Select ...\""));
    if (!tokens[2].quoted)
        throw Fault{QStringLiteral("row 的查询语句应写在引号里")};
    for (const ReportRowSource &row : m_template.rows)
        if (row.name.compare(tokens[1].text, Qt::CaseInsensitive) == 0)
            throw Fault{QStringLiteral("row ") + quotedWord(tokens[1].text) + QStringLiteral("重复了")};
    m_template.rows.append({tokens[1].text, tokens[2].text, m_line});
}

void Parser::bandStatement(const QList<Token> &tokens)
{
    needCount(tokens, 3, QStringLiteral("band 种类 高度"));
    const QString kind = tokens[1].text.toLower();
    int found = -1;
    for (int k = 0; k < ReportBand::KindCount; ++k)
        if (kind == QLatin1String(BandNames[k]))
            found = k;
    if (found < 0)
        throw Fault{QStringLiteral("不认识的 band 种类") + quotedWord(tokens[1].text)
                    + QStringLiteral("（可用 title、pageheader、columnheader、data、summary、pagefooter）")};
    ReportBand &band = m_template.bands[size_t(found)];
    if (band.present)
        throw Fault{QStringLiteral("band ") + kind + QStringLiteral(" 已在第 %1 行写过").arg(band.line)};
    band.present = true;
    band.height = number(tokens[2], "band 高度");
    band.line = m_line;
    m_band = &band;
    m_inside = Inside::Band;
    m_openedAt = m_line;
    m_opened = QStringLiteral("band ") + kind;
}

void Parser::columnStatement(const QList<Token> &tokens)
{
    if (!tokens[0].quoted && tokens[0].text == u"*") {
        needCount(tokens, 2, QStringLiteral("* 宽度"));
        m_template.otherColumnWidth = number(tokens[1], "列宽");
        return;
    }
    const QString form = QStringLiteral("字段名 \"标题\" 宽度 [count \"后缀\" | sum]");
    needCount(tokens, 3, form);
    ReportColumn column{tokens[0].text, tokens[1].text, number(tokens[2], "列宽"), ReportColumn::Footer::None, QString()};
    if (tokens.size() > 3) {
        const QString footer = tokens[3].text.toLower();
        if (footer == u"sum" && tokens.size() == 4)
            column.footer = ReportColumn::Footer::Sum;
        else if (footer == u"count" && tokens.size() <= 5) {
            column.footer = ReportColumn::Footer::Count;
            column.suffix = tokens.value(4).text;
        } else
            throw Fault{QStringLiteral("列的写法应是 ") + form};
    }
    m_template.columns.append(column);
}

void Parser::itemStatement(const QList<Token> &tokens)
{
    const QString word = tokens[0].text.toLower();
    ReportItem item;
    item.line = m_line;
    if (word == u"text") {
        needCount(tokens, 6, QStringLiteral("text X Y 宽 高 [选项] \"文字\""));
        item.x = length(tokens[1], "X");
        item.y = length(tokens[2], "Y");
        item.width = length(tokens[3], "宽", &item.toRightMargin);
        item.height = length(tokens[4], "高");
        options(tokens, 5, item, true);
        if (!tokens.last().quoted)
            throw Fault{QStringLiteral("text 的最后应是引号里的文字")};
    } else if (word == u"line") {
        needCount(tokens, 5, QStringLiteral("line X1 Y1 X2 Y2 [线宽]"));
        item.kind = ReportItem::Kind::Line;
        item.x = length(tokens[1], "X1");
        item.y = length(tokens[2], "Y1");
        const double x2 = length(tokens[3], "X2", &item.toRightMargin);
        item.width = item.toRightMargin ? 0 : x2 - item.x;
        item.height = length(tokens[4], "Y2") - item.y;
        if (tokens.size() > 5)
            item.lineWidth = number(tokens[5], "线宽");
        if (tokens.size() > 6)
            throw Fault{QStringLiteral("line 后面有多余的内容")};
    } else if (word == u"headings" || word == u"cells" || word == u"totals") {
        item.kind = word == u"headings" ? ReportItem::Kind::Headings
            : word == u"cells"          ? ReportItem::Kind::Cells
                                        : ReportItem::Kind::Totals;
        if (!m_template.hasColumns)
            throw Fault{word + QStringLiteral(" 需要在它前面写 columns")};
        if (item.kind == ReportItem::Kind::Cells && m_band != &m_template.bands[ReportBand::Data])
            throw Fault{QStringLiteral("cells 只能用在 band data 里")};
        options(tokens, 1, item, item.kind == ReportItem::Kind::Totals);
        if (item.wrap && std::any_of(m_band->items.begin(), m_band->items.end(), [](const ReportItem &other) { return other.wrap; }))
            throw Fault{QStringLiteral("band data 里只能有一个 wrap 的 cells")};
    } else {
        throw Fault{QStringLiteral("band 里不认识的内容") + quotedWord(tokens[0].text)
                    + QStringLiteral("（可用 text、line、headings、cells、totals）")};
    }
    if (item.kind != ReportItem::Kind::Line && item.y + item.height > m_band->height + 1e-9)
        throw Fault{QStringLiteral("超出了 band 的高度 %1").arg(m_band->height)};
    m_band->items.append(item);
}

// The words after the geometry; a quoted text, when allowed, ends them.
void Parser::options(const QList<Token> &tokens, qsizetype from, ReportItem &item, bool textAllowed)
{
    for (qsizetype t = from; t < tokens.size(); ++t) {
        const Token &token = tokens[t];
        if (token.quoted) {
            if (!textAllowed || t != tokens.size() - 1)
                throw Fault{QStringLiteral("多余的文字") + quotedWord(token.text)};
            item.text = token.text;
            continue;
        }
        const QString word = token.text.toLower();
        if (word == u"left")
            item.alignment = Qt::AlignLeft;
        else if (word == u"center")
            item.alignment = Qt::AlignHCenter;
        else if (word == u"right")
            item.alignment = Qt::AlignRight;
        else if (word == u"bold")
            item.bold = true;
        else if (word == u"border")
            item.border = true;
        else if (word == u"wrap" && item.kind == ReportItem::Kind::Cells)
            item.wrap = true;
        else if (word == u"size" && t + 1 < tokens.size()) {
            item.size = number(tokens[++t], "字号");
            if (item.size <= 0)
                throw Fault{QStringLiteral("字号应大于 0")};
        } else
            throw Fault{QStringLiteral("不认识的选项") + quotedWord(token.text)
                        + QStringLiteral("（可用 left、center、right、bold、size 字号、border，cells 还可用 wrap）")};
    }
}

} // namespace

ReportTemplate ParseReportTemplate(const QString &text)
{
    return Parser().run(text);
}
