#pragma once
#include <QWidget>
#include <memory>

class QAction;

namespace Ui {
class MaintenancePage;
}

// The administrator's tab 数据维护: the group 帐套数据操作 with the backup and restore buttons, and
// the group 改动留痕 with the change record's list and check.
class MaintenancePage : public QWidget
{
    Q_OBJECT
public:
    explicit MaintenancePage(QWidget *parent = nullptr);
    ~MaintenancePage() override;

    // The two buttons show the main window's 备份数据 and 恢复数据 actions.
    void bindActions(QAction *save, QAction *load);
    // The group 改动留痕 shows the actions 改动记录 and 校验改动记录.
    void bindChangeActions(QAction *changeLog, QAction *check);

private:
    std::unique_ptr<Ui::MaintenancePage> ui;
};
