#include "zumveklobby/passwordstore.h"

#include <qt6keychain/keychain.h>

namespace zumvek {

QString PasswordStore::entryName(const QString& server, const QString& account) {
    return account + QLatin1Char('@') + server;
}

void PasswordStore::read(const QString& server, const QString& account,
                         std::function<void(const QString&)> done) {
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kService), this);
    job->setInsecureFallback(false);
    job->setKey(entryName(server, account));
    connect(job, &QKeychain::Job::finished, this, [done](QKeychain::Job* j) {
        auto* r = static_cast<QKeychain::ReadPasswordJob*>(j);
        done(r->error() == QKeychain::NoError ? r->textData() : QString());
    });
    job->start();
}

void PasswordStore::write(const QString& server, const QString& account, const QString& password,
                          std::function<void(const QString&)> done) {
    auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kService), this);
    // Never a plain file in place of the store.
    job->setInsecureFallback(false);
    job->setKey(entryName(server, account));
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [done](QKeychain::Job* j) {
        if (j->error() == QKeychain::NoError) {
            done({});
            return;
        }
        if (j->error() == QKeychain::NoBackendAvailable || j->error() == QKeychain::NotImplemented)
            done(tr("This desktop has no secret store, so the password was not saved. You will "
                    "be asked for it next time."));
        else
            done(tr("The password was not saved in the desktop's secret store (%1).")
                     .arg(j->errorString()));
    });
    job->start();
}

void PasswordStore::forget(const QString& server, const QString& account) {
    auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kService), this);
    job->setInsecureFallback(false);
    job->setKey(entryName(server, account));
    job->start();
}

} // namespace zumvek
