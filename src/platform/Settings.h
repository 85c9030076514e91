#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

// The user-defaults store: remembered choices and documents that outlive a run.
// Keys are used verbatim ("useNetwork", "firSend.targets", ...). Every write
// reaches the store at once, so nothing needs saving at shutdown.
class Settings : public QObject {
    Q_OBJECT
public:
    // The application's store in the user's configuration directory
    // ($XDG_CONFIG_HOME, which every test process points at a private folder).
    explicit Settings(QObject* parent = nullptr);
    // A store in the given file; for tools and tests that want one of their own.
    explicit Settings(const QString& filePath, QObject* parent = nullptr);

    // The one instance the whole application shares.
    static Settings& shared();

    bool contains(const QString& key) const;
    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    QString text(const QString& key, const QString& fallback = {}) const;
    bool flag(const QString& key, bool fallback = false) const;
    QByteArray data(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

Q_SIGNALS:
    // Emitted after a write or removal that changed what is stored under `key`.
    void changed(const QString& key);

private:
    QSettings store_;
};
