#include "accounts/AccountsPage.h"

#include <QMouseEvent>
#include <QPixmap>

#include "accounts/AccountChanges.h"
#include "accounts/AccountHouses.h"
#include "accounts/FormAccount2.h"
#include "data/Failure.h"
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

void AccountsPage::turnPage(int step)
{
    showPage(AccountPageIndex + step);
}

bool AccountsPage::RefreshAccountHouses()
{
    return showPage(AccountPageIndex);
}

bool AccountsPage::showPage(int index)
{
    FailureToTell failed;
    const auto page = readHouses(index, &failed);
    if (!page) {
        ReportFailure(failed);
        return false;
    }
    showHouses(*page);
    return true;
}

std::optional<AccountsPage::HousePage> AccountsPage::readHouses(int index, FailureToTell *failed)
{
    Query &accounts = m_data.ADOQueryTemp();
    if (!RunQuery(accounts, AccountHouses::accountsStatement(m_views.accountClause()),
                  QStringLiteral("刷新帐户房子时出错"), failed))
        return std::nullopt;
    HousePage page{index, {}, accounts.recordCount()};
    accounts.first();
    for (accounts.moveTo(HousesPerPage * index); !accounts.eof() && page.houses.size() < HousesPerPage; accounts.next()) {
        const auto house = readHouse(accounts, failed);
        if (!house)
            return std::nullopt;
        page.houses.append(*house);
    }
    return page;
}

// The figures of the account at the current row of the account walk.
std::optional<AccountsPage::House> AccountsPage::readHouse(Query &accounts, FailureToTell *failed)
{
    Query &sum = m_data.ADOQueryTemp2();
    const qint64 index = accounts.fieldInteger(QStringLiteral("AccountIndex"));
    const QDate day = m_views.currentDate();
    const QString failure = QStringLiteral("统计帐户金额时出错");
    House house{accounts.fieldText(QStringLiteral("AccountName")),
                int(accounts.fieldInteger(QStringLiteral("AccountType")))};
    if (!RunQuery(sum, AccountHouses::balanceStatement(index, day), failure, failed))
        return std::nullopt;
    house.balance = sum.fieldNumber(QStringLiteral("TotalMoney"));
    if (!RunQuery(sum, AccountHouses::monthStatement(index, day), failure, failed))
        return std::nullopt;
    house.month = sum.fieldNumber(QStringLiteral("TotalMoney"));
    return house;
}

void AccountsPage::showHouses(const HousePage &page)
{
    AccountPageIndex = page.index;
    ui->Image12->setVisible(page.accounts == 0);
    ui->NextPage->setEnabled(page.accounts > HousesPerPage * (page.index + 1));
    ui->LastPage->setEnabled(page.accounts > 0 && page.index > 0);
    for (int i = 0; i < HousesPerPage; ++i) {
        AccountPanel[i]->setVisible(i < page.houses.size());
        if (i < page.houses.size())
            fillHouse(i, page.houses[i]);
    }
}

void AccountsPage::showBooksUnreachable()
{
    ui->Image12->hide();
    ui->NextPage->setEnabled(false);
    ui->LastPage->setEnabled(false);
    for (QFrame *panel : AccountPanel)
        panel->hide();
    ui->Label19->setText(QStringLiteral("总金额：暂不能显示（无法连接数据库服务器）"));
}

void AccountsPage::fillHouse(int house, const House &figures)
{
    AccountName[house]->setText(figures.name);
    AccountType[house]->setText(AccountHouses::typeText(figures.type));
    colourHouse(house, figures.balance < 0 ? NegativeInk : PositiveInk);
    AccountMonth[house]->setText(RoundToText(figures.month) + QStringLiteral(" 元"));
    AccountImage[house]->setPixmap(QPixmap(ProgramPaths::file(AccountHouses::picture(figures.type, figures.balance))));
    AccountMoney[house]->setText(RoundToText(figures.balance) + QStringLiteral(" 元"));
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
