#include "usage/UserDefaults.h"

#include <cmath>

namespace {

const QString speedInvertedKey = QStringLiteral("speedInverted");
const QString runnerPausedKey = QStringLiteral("runnerPaused");
const QString horizontalFlipKey = QStringLiteral("horizontalFlip");
const QString characterHeightKey = QStringLiteral("characterHeight");
const QString showMenuBarQuotaBatteryKey = QStringLiteral("showMenuBarQuotaBattery");
const QString selectedCharacterIdKey = QStringLiteral("selectedCharacterId");

}

UserDefaults::UserDefaults(QObject* parent)
    : QObject(parent)
{
}

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent)
    , m_settings(fileName, QSettings::IniFormat)
{
}

bool UserDefaults::speedInverted() const
{
    return readBool(speedInvertedKey);
}

bool UserDefaults::runnerPaused() const
{
    return readBool(runnerPausedKey);
}

bool UserDefaults::horizontalFlip() const
{
    return readBool(horizontalFlipKey);
}

double UserDefaults::characterHeight() const
{
    bool ok = false;
    const double height = m_settings.value(characterHeightKey).toDouble(&ok);
    return ok && std::isfinite(height) ? height : defaultCharacterHeight;
}

bool UserDefaults::showMenuBarQuotaBattery() const
{
    return readBool(showMenuBarQuotaBatteryKey);
}

QString UserDefaults::selectedCharacterId() const
{
    return m_settings.value(selectedCharacterIdKey).toString();
}

void UserDefaults::setSpeedInverted(bool inverted)
{
    write(speedInvertedKey, inverted, inverted != speedInverted(), &UserDefaults::speedInvertedChanged);
}

void UserDefaults::setRunnerPaused(bool paused)
{
    write(runnerPausedKey, paused, paused != runnerPaused(), &UserDefaults::runnerPausedChanged);
}

void UserDefaults::setHorizontalFlip(bool flip)
{
    write(horizontalFlipKey, flip, flip != horizontalFlip(), &UserDefaults::horizontalFlipChanged);
}

void UserDefaults::setCharacterHeight(double height)
{
    write(characterHeightKey, height, height != characterHeight(), &UserDefaults::characterHeightChanged);
}

void UserDefaults::setShowMenuBarQuotaBattery(bool show)
{
    write(showMenuBarQuotaBatteryKey, show, show != showMenuBarQuotaBattery(),
        &UserDefaults::showMenuBarQuotaBatteryChanged);
}

void UserDefaults::setSelectedCharacterId(const QString& id)
{
    write(selectedCharacterIdKey, id, id != selectedCharacterId(), &UserDefaults::selectedCharacterIdChanged);
}

void UserDefaults::sync()
{
    m_settings.sync();
}

bool UserDefaults::readBool(const QString& key) const
{
    return m_settings.value(key, false).toBool();
}

void UserDefaults::write(
    const QString& key, const QVariant& value, bool differs, void (UserDefaults::*notify)())
{
    m_settings.setValue(key, value);
    if (differs)
        Q_EMIT(this->*notify)();
    Q_EMIT changed(key);
}
