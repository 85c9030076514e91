#include "platform/Settings.h"

Settings::Settings(QObject* parent)
    : QObject(parent),
      store_(QSettings::NativeFormat, QSettings::UserScope, "Tessaline", "Tessaline DSP Control") {}

Settings::Settings(const QString& filePath, QObject* parent)
    : QObject(parent), store_(filePath, QSettings::IniFormat) {}

Settings& Settings::shared() {
    static Settings instance;
    return instance;
}

bool Settings::contains(const QString& key) const {
    return store_.contains(key);
}

QVariant Settings::value(const QString& key, const QVariant& fallback) const {
    return store_.value(key, fallback);
}

QString Settings::text(const QString& key, const QString& fallback) const {
    return store_.value(key, fallback).toString();
}

bool Settings::flag(const QString& key, bool fallback) const {
    return store_.value(key, fallback).toBool();
}

QByteArray Settings::data(const QString& key) const {
    return store_.value(key).toByteArray();
}

void Settings::setValue(const QString& key, const QVariant& value) {
    // Views write back what they were just told; an unchanged value must not
    // start another round of notifications.
    if (store_.contains(key) && store_.value(key) == value) return;
    store_.setValue(key, value);
    store_.sync();
    Q_EMIT changed(key);
}

void Settings::remove(const QString& key) {
    if (!store_.contains(key)) return;
    store_.remove(key);
    store_.sync();
    Q_EMIT changed(key);
}
