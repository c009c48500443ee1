#pragma once
#include <QColor>
#include <QList>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class AccountChanges;
class FormAccount2;
class Query;
struct FailureToTell;
class QFrame;
class QLabel;
class QToolButton;
class ShareDataModule;
class ViewContext;

namespace Ui {
class AccountsPage;
}

// The tab 帐户状况: the accounts of the current scope as houses, twelve to a page in three columns
// and four rows, each with its picture, name, balance up to the current date, the month's net and its
// type.
class AccountsPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int HousesPerPage = 12;
    // The colour of the house under the mouse.
    static inline const QColor HighlightColour{166, 202, 240};

    // A house clicked opens `detail`; 新增帐户 runs through `changes`.
    AccountsPage(ShareDataModule &data, ViewContext &views, AccountChanges &changes, FormAccount2 &detail,
                 QWidget *parent = nullptr);
    ~AccountsPage() override;

    // The overview's total line, written by the daily journal.
    QLabel *Label19() const;
    // The button of the account monthly statement, bound to the main window's action.
    QToolButton *monthStatementButton() const;

    int AccountPageIndex = 0;

    // What one house shows.
    struct House
    {
        QString name;
        int type = 0;
        double balance = 0;
        double month = 0;
    };
    // A page of houses: its number from 0, its houses, and how many accounts the scope holds.
    struct HousePage
    {
        int index = 0;
        QList<House> houses;
        int accounts = 0;
    };

    void resetPage();
    // Reads the houses of page `index` without changing what the page shows; nothing when a statement
    // failed, with *failed for the caller to tell.
    std::optional<HousePage> readHouses(int index, FailureToTell *failed);
    // Shows `page`: its houses, the hint of a scope without accounts, and the page buttons.
    void showHouses(const HousePage &page);
    // The books cannot be reached: no house and no total, the total line saying why.
    void showBooksUnreachable();
    // Reads and shows the houses of page AccountPageIndex; false when a statement failed (its message
    // was shown), the page then staying as it was.
    bool RefreshAccountHouses();
    void ShowAccountDetail(int house);
    void HighlightAccountHouse(int house);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void collectHouses();
    void connectButtons();
    bool showPage(int index);
    std::optional<House> readHouse(Query &accounts, FailureToTell *failed);
    void fillHouse(int house, const House &figures);
    void colourHouse(int house, const QColor &colour);
    void setPanelColour(int house, const QColor &colour);
    QColor restingColour() const;
    void turnPage(int step);

    std::unique_ptr<Ui::AccountsPage> ui;
    ShareDataModule &m_data;
    ViewContext &m_views;
    AccountChanges &m_changes;
    FormAccount2 &m_detail;
    // Entry n is house n + 1.
    std::array<QFrame *, HousesPerPage> AccountPanel{};
    std::array<QLabel *, HousesPerPage> AccountName{};
    std::array<QLabel *, HousesPerPage> AccountImage{};
    std::array<QLabel *, HousesPerPage> AccountMoney{};
    std::array<QLabel *, HousesPerPage> AccountMonth{};
    std::array<QLabel *, HousesPerPage> AccountType{};
};
