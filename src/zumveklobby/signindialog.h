// Coming into the lobby: the server, an account and its password, and three ways in:
// log in, create the account, or come in as a guest.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zumvek {

class SignInDialog : public QDialog {
    Q_OBJECT
public:
    enum class Way { LogIn, Create, Guest };

    explicit SignInDialog(QWidget* parent = nullptr);

    void setValues(const QString& server, const QString& account, const QString& password);
    QString server() const;
    QString account() const;
    QString password() const;
    bool keepPassword() const;
    // A line under the fields: why the last try failed, or what is going on. Plain text.
    void setProblem(const QString& text);
    // While a sign-in is under way the buttons wait.
    void setBusy(bool busy);

    QLineEdit* serverEdit = nullptr;
    QLineEdit* accountEdit = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QCheckBox* keepBox = nullptr;
    QPushButton* logInButton = nullptr;
    QPushButton* createButton = nullptr;
    QPushButton* guestButton = nullptr;
    QLabel* problemLabel = nullptr;

signals:
    void chosen(zumvek::SignInDialog::Way way);

private:
    void choose(Way way);
};

} // namespace zumvek
