#include "platform/SignInDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SignInDialog::SignInDialog(const QString &source, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sign In"));
    auto *layout = new QFormLayout(this);
    auto *heading = new QLabel(QStringLiteral("Sign in to the class database \"%1\".").arg(source), this);
    heading->setTextFormat(Qt::PlainText); // a data source's name is shown as written
    layout->addRow(heading);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("txtUser"));
    m_user->setAccessibleName(QStringLiteral("User"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setAccessibleName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    layout->addRow(QStringLiteral("&User:"), m_user);
    layout->addRow(QStringLiteral("&Password:"), m_password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("Sign In"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_user, &QLineEdit::textChanged, this, &SignInDialog::updateOk);
    layout->addRow(buttons);
    setMinimumWidth(360);
    updateOk();
}

QString SignInDialog::user() const
{
    return m_user->text().trimmed();
}

QString SignInDialog::password() const
{
    return m_password->text();
}

// Nobody can sign in without a name.
void SignInDialog::updateOk()
{
    m_ok->setEnabled(!user().isEmpty());
}
