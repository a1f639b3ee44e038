#pragma once

#include <QDialog>

class QLineEdit;

// The box that asks for a user name and password to sign in to a class's database server.
class SignInDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignInDialog)

public:
    explicit SignInDialog(const QString &source, QWidget *parent = nullptr);

    QLineEdit *userBox() const { return m_user; }
    QLineEdit *passwordBox() const { return m_password; }
    // The user name as typed, without edge spaces.
    QString user() const;
    QString password() const;

private:
    void updateOk();

    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    class QPushButton *m_ok = nullptr;
};
