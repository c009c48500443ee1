#include "accounts/AccountsPage.h"

#include <QMouseEvent>
#include <QPixmap>

#include "accounts/AccountChanges.h"
#include "accounts/AccountHouses.h"
#include "accounts/FormAccount2.h"
#include "data/Helpers.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "shell/ViewContext.h"
#include "ui/CjkFont.h"
#include "ui_AccountsPage.h"

namespace {

const QColor PositiveInk(Qt::blue);
const QColor NegativeInk(Qt::red);

void setInk(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

template<typename Widget>
Widget *numbered(const QWidget *page, const char *name, int number)
{
    return page->findChild<Widget *>(QLatin1String(name) + QString::number(number));
}

} // namespace

AccountsPage::AccountsPage(ShareDataModule &data, ViewContext &views, AccountChanges &changes, FormAccount2 &detail,
                           QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::AccountsPage>())
    , m_data(data)
    , m_views(views)
    , m_changes(changes)
    , m_detail(detail)
{
    ui->setupUi(this);
    ui->SpeedButton1->setIcon(QIcon(QStringLiteral(":/embedded/AccountNew.png")));
    ui->Image12->setPixmap(QPixmap(QStringLiteral(":/embedded/AccountHint.png")));
    collectHouses();
    connectButtons();
    setMouseTracking(true);
}

AccountsPage::~AccountsPage() = default;

// Every control of a house answers the mouse as the house: a click opens its account, a move lights
// it up.
void AccountsPage::collectHouses()
{
    const QFont font = CjkFont();
    for (int i = 0; i < HousesPerPage; ++i) {
        const int number = i + 1;
        AccountPanel[i] = numbered<QFrame>(this, "AccountPanel", number);
        AccountName[i] = numbered<QLabel>(this, "AccountName", number);
        AccountImage[i] = numbered<QLabel>(this, "AccountImage", number);
        AccountMoney[i] = numbered<QLabel>(this, "AccountMoney", number);
        AccountMonth[i] = numbered<QLabel>(this, "AccountMonth", number);
        AccountType[i] = numbered<QLabel>(this, "AccountType", number);
        QFrame *panel = AccountPanel[i];
        panel->setAutoFillBackground(true);
        panel->setProperty("house", i);
        panel->setMouseTracking(true);
        panel->installEventFilter(this);
        for (QLabel *label : panel->findChildren<QLabel *>()) {
            label->setFont(font);
            label->setTextFormat(Qt::PlainText); // a name is shown as typed, never as markup
            label->setProperty("house", i);
            label->setMouseTracking(true);
            label->installEventFilter(this);
        }
    }
}

void AccountsPage::connectButtons()
{
    connect(ui->LastPage, &QPushButton::clicked, this, [this] { turnPage(-1); });
    connect(ui->NextPage, &QPushButton::clicked, this, [this] { turnPage(1); });
    connect(ui->SpeedButton1, &QToolButton::clicked, this, [this] { m_changes.AddAccount(); });
}

QLabel *AccountsPage::Label19() const
{
    return ui->Label19;
}

QToolButton *AccountsPage::monthStatementButton() const
{
    return ui->SpeedButtonMoneyMonth;
}

void AccountsPage::resetPage()
{
    AccountPageIndex = 0;
}

void AccountsPage::hideHouses()
{
    for (QFrame *panel : AccountPanel)
        panel->hide();
}

void AccountsPage::turnPage(int step)
{
    AccountPageIndex += step;
    RefreshAccountHouses();
}

bool AccountsPage::RefreshAccountHouses()
{
    ui->LastPage->setEnabled(false);
    ui->NextPage->setEnabled(false);
    Query &accounts = m_data.ADOQueryTemp();
    if (!RunQuery(accounts, AccountHouses::accountsStatement(m_views.accountClause()),
                  QStringLiteral("刷新帐户房子时出错")))
        return false;
    if (accounts.recordCount() == 0) {
        ui->Image12->show();
        return true;
    }
    ui->Image12->hide();
    accounts.first();
    const int count = accounts.recordCount();
    ui->NextPage->setEnabled(count > HousesPerPage * (AccountPageIndex + 1));
    ui->LastPage->setEnabled(AccountPageIndex > 0);
    accounts.moveTo(HousesPerPage * AccountPageIndex);
    for (int i = 0; i < HousesPerPage; ++i) {
        if (accounts.eof()) {
            AccountPanel[i]->hide();
            continue;
        }
        AccountPanel[i]->show();
        if (!fillHouse(i))
            return false;
        accounts.next();
    }
    return true;
}

// Fills house `house` from the current row of the account walk.
bool AccountsPage::fillHouse(int house)
{
    Query &accounts = m_data.ADOQueryTemp();
    Query &sum = m_data.ADOQueryTemp2();
    const qint64 index = accounts.fieldInteger(QStringLiteral("AccountIndex"));
    const int type = int(accounts.fieldInteger(QStringLiteral("AccountType")));
    const QDate day = m_views.currentDate();
    const QString failed = QStringLiteral("统计帐户金额时出错");

    AccountName[house]->setText(accounts.fieldText(QStringLiteral("AccountName")));
    AccountType[house]->setText(AccountHouses::typeText(type));
    if (!RunQuery(sum, AccountHouses::balanceStatement(index, day), failed))
        return false;
    const double balance = sum.fieldNumber(QStringLiteral("TotalMoney"));
    colourHouse(house, balance < 0 ? NegativeInk : PositiveInk);
    if (!RunQuery(sum, AccountHouses::monthStatement(index, day), failed))
        return false;
    AccountMonth[house]->setText(RoundToText(sum.fieldNumber(QStringLiteral("TotalMoney"))) + QStringLiteral(" 元"));
    AccountImage[house]->setPixmap(QPixmap(ProgramPaths::file(AccountHouses::picture(type, balance))));
    AccountMoney[house]->setText(RoundToText(balance) + QStringLiteral(" 元"));
    return true;
}

void AccountsPage::colourHouse(int house, const QColor &colour)
{
    for (QLabel *label : {AccountName[house], AccountMoney[house], AccountMonth[house], AccountType[house]})
        setInk(label, colour);
}

void AccountsPage::ShowAccountDetail(int house)
{
    FormAccount2 &detail = m_detail;
    detail.DetailAccountName = AccountName[house]->text();
    detail.DetailBalanceText = AccountMoney[house]->text();
    detail.showDetail();
}

QColor AccountsPage::restingColour() const
{
    return palette().color(QPalette::Window);
}

void AccountsPage::setPanelColour(int house, const QColor &colour)
{
    QFrame *panel = AccountPanel[house];
    if (panel->palette().color(QPalette::Window) == colour)
        return;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
}

// At most one house is lit: the one under the mouse; -1 lights none.
void AccountsPage::HighlightAccountHouse(int house)
{
    for (int i = 0; i < HousesPerPage; ++i)
        setPanelColour(i, i == house ? HighlightColour : restingColour());
}

bool AccountsPage::eventFilter(QObject *watched, QEvent *event)
{
    const QVariant house = watched->property("house");
    if (house.isValid()) {
        if (event->type() == QEvent::MouseMove) {
            HighlightAccountHouse(house.toInt());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *release = static_cast<QMouseEvent *>(event);
            auto *widget = static_cast<QWidget *>(watched);
            if (release->button() == Qt::LeftButton && widget->rect().contains(release->position().toPoint())) {
                ShowAccountDetail(house.toInt());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AccountsPage::mouseMoveEvent(QMouseEvent *event)
{
    HighlightAccountHouse(-1);
    QWidget::mouseMoveEvent(event);
}
