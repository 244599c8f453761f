// The password in the desktop's secret store (service "zumveklobby", one entry per
// server and account), never in a file. Where the desktop has no secret store, nothing
// is saved and the caller is told so.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace zumvek {

class PasswordStore : public QObject {
    Q_OBJECT
public:
    static constexpr char kService[] = "zumveklobby";

    explicit PasswordStore(QObject* parent = nullptr) : QObject(parent) {}

    // `done` gets the password, or an empty one when none is stored or there is no store.
    void read(const QString& server, const QString& account,
              std::function<void(const QString& password)> done);
    // `done` gets an empty text when it was stored, else why not, in words.
    void write(const QString& server, const QString& account, const QString& password,
               std::function<void(const QString& problem)> done);
    void forget(const QString& server, const QString& account);

    static QString entryName(const QString& server, const QString& account);
};

} // namespace zumvek
