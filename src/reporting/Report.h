#pragma once
#include <QCache>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "reporting/ReportLayout.h"
#include "reporting/ReportPage.h"
#include "reporting/ReportTemplate.h"

class RowSource;
class ShareDataModule;

// Where a found text stands: the page (from 0) and the text's place on it.
struct ReportHit
{
    int page = 0;
    int text = -1;
};

// A report object: bound for its whole life to one query, whose rows from the first feed the data
// band, it holds the template last loaded, builds it, and shows the print preview. Pages are laid out
// when they are asked for, and only a few are kept, so a report of any length costs little memory.
class Report
{
public:
    Report(ShareDataModule &database, RowSource &data);
    ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    RowSource &data() const { return m_data; }

    // Whether the file exists. When it does, its template replaces the one held, even if it is faulty
    // (build() then says what is wrong); a missing file keeps the one held.
    bool loadTemplate(const QString &path);
    bool hasTemplate() const { return m_template != nullptr; }
    QString templatePath() const { return m_path; }

    // Lays the held template out over the query as it stands. False after showing the fault in an
    // error box. Without a template it succeeds with no page.
    bool build();
    // Builds again and, when there is a page, shows the preview. True when the preview was shown.
    bool show();

    int pageCount() const { return m_built ? m_layout.pageCount() : 0; }
    QSizeF paperSize() const; // millimetres
    ReportPage page(int index);

    // Told before each page is looked at, with the pages looked through and the pages to look
    // through; false stops the looking.
    using FindProgress = std::function<bool(int done, int total)>;

    // The next text holding `text` (letter case ignored) after `after`, page by page to the end;
    // a default ReportHit searches from the start. Nothing when `progress` stopped the looking.
    std::optional<ReportHit> findNext(const QString &text, const ReportHit &after = ReportHit(),
                                      const FindProgress &progress = {});

private:
    QString faultMessage(const QString &what, int line) const;

    ShareDataModule &m_database;
    RowSource &m_data;
    std::unique_ptr<ReportTemplate> m_template;
    QString m_path;
    ReportLayout m_layout;
    bool m_built = false;
    QCache<int, ReportPage> m_pages;
};

// The run every printout makes: load the template from the program folder, build, and only when the
// build succeeded show the preview.
void RunReport(Report &report, const QString &relativeTemplate);
