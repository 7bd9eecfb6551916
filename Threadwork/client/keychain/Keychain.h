#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace Basalt {
class SerialQueue;
}

namespace Threadwork {

// Generic-password items: data by service and account.
class Keychain {
public:
    virtual ~Keychain() = default;
    // Nothing when there is no item, or when it could not be read (in time).
    virtual std::optional<QByteArray> read(const QString& service, const QString& account) = 0;
    // False when the item could not be written (in time).
    virtual bool write(const QString& service, const QString& account, const QByteArray& data) = 0;
};

// For unit tests.
class InMemoryKeychain final : public Keychain {
public:
    std::optional<QByteArray> read(const QString& service, const QString& account) override;
    bool write(const QString& service, const QString& account, const QByteArray& data) override;

private:
    std::mutex mutex_;
    std::map<std::pair<QString, QString>, QByteArray> items_;
};

// The desktop's Secret Service, through QtKeychain. Every call has a time limit: a keyring that
// does not answer (no Secret Service, a locked one waiting for a password) must never freeze the
// program, and counts as no item.
class SecretServiceKeychain final : public Keychain {
public:
    explicit SecretServiceKeychain(std::chrono::milliseconds timeLimit = std::chrono::seconds(3));
    ~SecretServiceKeychain() override;

    std::optional<QByteArray> read(const QString& service, const QString& account) override;
    bool write(const QString& service, const QString& account, const QByteArray& data) override;

private:
    std::chrono::milliseconds timeLimit_;
    // The jobs run here, with an event loop of their own, while the caller waits with a limit.
    std::shared_ptr<Basalt::SerialQueue> worker_;
};

}  // namespace Threadwork
