#include "zumveklobby/signindialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zumvek {

namespace {

QLineEdit* field(const QString& accessibleName, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setAccessibleName(accessibleName);
    e->setMaxLength(253);
    return e;
}

} // namespace

SignInDialog::SignInDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Zumvek Lobby - Sign In"));
    auto* intro = new QLabel(
        tr("Sign in to find a table and play with others. A guest needs no account."), this);
    intro->setWordWrap(true);

    serverEdit = field(tr("Server"), this);
    accountEdit = field(tr("Account"), this);
    accountEdit->setMaxLength(24);
    passwordEdit = field(tr("Password"), this);
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setMaxLength(128);
    keepBox = new QCheckBox(tr("&Keep the password in this desktop's secret store"), this);
    keepBox->setAccessibleName(tr("Keep the password"));
    keepBox->setChecked(true);

    auto* form = new QFormLayout;
    auto addRow = [&](const QString& label, QWidget* w) {
        auto* l = new QLabel(label, this);
        l->setBuddy(w);
        form->addRow(l, w);
    };
    addRow(tr("&Server:"), serverEdit);
    addRow(tr("&Account:"), accountEdit);
    addRow(tr("&Password:"), passwordEdit);
    form->addRow(QString(), keepBox);

    problemLabel = new QLabel(this);
    problemLabel->setTextFormat(Qt::PlainText); // server texts are data
    problemLabel->setWordWrap(true);
    problemLabel->setAccessibleName(tr("Sign-in status"));
    problemLabel->hide();

    logInButton = new QPushButton(tr("&Log in"), this);
    logInButton->setAccessibleName(tr("Log in"));
    logInButton->setDefault(true);
    createButton = new QPushButton(tr("&Create account"), this);
    createButton->setAccessibleName(tr("Create account"));
    createButton->setAutoDefault(false);
    guestButton = new QPushButton(tr("Come in as a &guest"), this);
    guestButton->setAccessibleName(tr("Come in as a guest"));
    guestButton->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(logInButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(createButton, QDialogButtonBox::ActionRole);
    buttons->addButton(guestButton, QDialogButtonBox::ActionRole);
    connect(logInButton, &QPushButton::clicked, this, [this] { choose(Way::LogIn); });
    connect(createButton, &QPushButton::clicked, this, [this] { choose(Way::Create); });
    connect(guestButton, &QPushButton::clicked, this, [this] { choose(Way::Guest); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(problemLabel);
    layout->addStretch(1);
    layout->addWidget(buttons);

    setTabOrder(serverEdit, accountEdit);
    setTabOrder(accountEdit, passwordEdit);
    setTabOrder(passwordEdit, keepBox);
    setTabOrder(keepBox, logInButton);
    setTabOrder(logInButton, createButton);
    setTabOrder(createButton, guestButton);
    setMinimumWidth(420);
}

void SignInDialog::setValues(const QString& server, const QString& account,
                             const QString& password) {
    serverEdit->setText(server);
    accountEdit->setText(account);
    passwordEdit->setText(password);
    (account.isEmpty() ? accountEdit : passwordEdit)->setFocus();
}

QString SignInDialog::server() const {
    return serverEdit->text().trimmed();
}
QString SignInDialog::account() const {
    return accountEdit->text().trimmed();
}
QString SignInDialog::password() const {
    return passwordEdit->text();
}
bool SignInDialog::keepPassword() const {
    return keepBox->isChecked();
}

void SignInDialog::setProblem(const QString& text) {
    problemLabel->setText(text);
    problemLabel->setVisible(!text.isEmpty());
}

void SignInDialog::setBusy(bool busy) {
    for (QWidget* w : {static_cast<QWidget*>(logInButton), static_cast<QWidget*>(createButton),
                       static_cast<QWidget*>(guestButton)})
        w->setEnabled(!busy);
}

void SignInDialog::choose(Way way) {
    emit chosen(way);
}

} // namespace zumvek
