#pragma once
#include <QColor>
#include <QWidget>
#include <array>
#include <memory>

class AccountChanges;
class FormAccount2;
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

    void resetPage();
    void hideHouses();
    // Fills the houses of page AccountPageIndex and sets the page buttons; false when a statement
    // failed (its message was shown), which ends the refresh it belongs to.
    bool RefreshAccountHouses();
    void ShowAccountDetail(int house);
    void HighlightAccountHouse(int house);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void collectHouses();
    void connectButtons();
    bool fillHouse(int house);
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
