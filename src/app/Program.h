#pragma once
#include <QString>
#include <memory>

class AccountChanges;
class ChangeDetails;
class ChangeLogWindow;
class FormAccount;
class FormAccount2;
class FormAsk;
class FormChose;
class FormDraw;
class FormGetPay;
class FormGetPay2;
class FormMain;
class FormMakeReport;
class FormOnlineChat;
class FormProgress;
class ModificationCheck;
class ShareDataModule;

// The windows of a running program, for whoever started it (main(), the tests, the benchmark).
struct Windows
{
    FormMain *main = nullptr;
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
    ChangeDetails *changeDetails = nullptr;
    ChangeLogWindow *changeLog = nullptr;
    ModificationCheck *modification = nullptr;
};

// Creates every window for the program folder `programDir` in start-up order (the main window, the
// data module, then each dialog), hands each what it uses, and lets the main window place its tab
// pages. Destroying it closes them all.
class Program
{
public:
    explicit Program(const QString &programDir);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    const Windows &windows() const { return m_windows; }

private:
    std::unique_ptr<FormMain> m_main;
    std::unique_ptr<ShareDataModule> m_data;
    std::unique_ptr<AccountChanges> m_accountChanges;
    std::unique_ptr<ModificationCheck> m_modification;
    Windows m_windows;
};
