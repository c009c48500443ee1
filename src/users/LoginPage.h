#pragma once
#include <QWidget>
#include <memory>

class QComboBox;
class QLineEdit;

namespace Ui {
class LoginPage;
}

class LoginPage : public QWidget
{
    Q_OBJECT
public:
    explicit LoginPage(QWidget *parent = nullptr);
    ~LoginPage() override;

    QComboBox *ComboBox2() const;
    QLineEdit *Edit3() const;

private:
    std::unique_ptr<Ui::LoginPage> ui;
};
