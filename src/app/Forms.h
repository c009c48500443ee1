#pragma once
#include <QString>
#include <memory>

class FormMain;
class ShareDataModule;
class FormAccount;
class FormChose;
class FormGetPay;
class FormAsk;
class FormMakeReport;
class FormDraw;
class FormAccount2;
class FormProgress;
class FormOnlineChat;
class FormGetPay2;
class MainContext;

// Every window of the program, created once at start in a fixed order and kept until the end.
struct Forms
{
    FormMain *main = nullptr;
    MainContext *context = nullptr;
    ShareDataModule *data = nullptr;
    FormAccount *account = nullptr;
    FormChose *chose = nullptr;
    FormGetPay *getPay = nullptr;
    FormAsk *ask = nullptr;
    FormMakeReport *makeReport = nullptr;
    FormDraw *draw = nullptr;
    FormAccount2 *account2 = nullptr;
    FormProgress *progress = nullptr;
    FormOnlineChat *onlineChat = nullptr;
    FormGetPay2 *getPay2 = nullptr;
};

// The windows of the running program.
Forms &forms();

// Creates all windows in start-up order for the program folder `programDir`; destroying the result
// closes them all.
class FormsOwner
{
public:
    explicit FormsOwner(const QString &programDir);
    ~FormsOwner();
    FormsOwner(const FormsOwner &) = delete;
    FormsOwner &operator=(const FormsOwner &) = delete;

private:
    std::unique_ptr<FormMain> m_main;
    std::unique_ptr<ShareDataModule> m_data;
};
