#include "basics/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace {

const QString speedInvertedKey = QStringLiteral("speedInverted");
const QString runnerPausedKey = QStringLiteral("runnerPaused");
const QString horizontalFlipKey = QStringLiteral("horizontalFlip");
const QString characterHeightKey = QStringLiteral("characterHeight");
const QString showMenuBarQuotaBatteryKey = QStringLiteral("showMenuBarQuotaBattery");
const QString batteryShowsBindingLimitKey = QStringLiteral("batteryShowsBindingLimit");
const QString selectedCharacterIdKey = QStringLiteral("selectedCharacterId");
const QString quotaAlertsEnabledKey = QStringLiteral("quotaAlertsEnabled");
const QString quotaAlertLowerThresholdKey = QStringLiteral("quotaAlertLowerThreshold");
const QString quotaAlertUpperThresholdKey = QStringLiteral("quotaAlertUpperThreshold");
const QString quotaAlertMemoryKey = QStringLiteral("quotaAlertMemory");
const QString priceListAutoUpdateKey = QStringLiteral("priceListAutoUpdate");
const QString priceListLastAttemptKey = QStringLiteral("priceListLastAttempt");
const QString languageKey = QStringLiteral("language");

bool isLanguage(const QString& value)
{
    return value == QLatin1StringView("ko") || value == QLatin1StringView("en") || value == QLatin1StringView("system");
}

}

UserDefaults::UserDefaults(QObject* parent)
    : QObject(parent)
{ }

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent)
    , m_settings(fileName, QSettings::IniFormat)
{ }

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

bool UserDefaults::quotaAlertsEnabled() const
{
    return m_settings.value(quotaAlertsEnabledKey, true).toBool();
}

int UserDefaults::quotaAlertLowerThreshold() const
{
    return quotaAlertThresholds().first;
}

int UserDefaults::quotaAlertUpperThreshold() const
{
    return quotaAlertThresholds().second;
}

QByteArray UserDefaults::quotaAlertMemory() const
{
    return m_settings.value(quotaAlertMemoryKey).toByteArray();
}

QString UserDefaults::language() const
{
    const QString stored = m_settings.value(languageKey).toString();
    return isLanguage(stored) ? stored : QStringLiteral("ko");
}

void UserDefaults::setLanguage(const QString& language)
{
    if (isLanguage(language))
        write(languageKey, language, language != this->language(), &UserDefaults::languageChanged);
}

bool UserDefaults::priceListAutoUpdate() const
{
    return m_settings.value(priceListAutoUpdateKey, true).toBool();
}

std::optional<Instant> UserDefaults::priceListLastAttempt() const
{
    bool ok = false;
    const qint64 ms = m_settings.value(priceListLastAttemptKey).toLongLong(&ok);
    return ok ? std::optional(Instant(std::chrono::milliseconds(ms))) : std::nullopt;
}

std::pair<int, int> UserDefaults::quotaAlertThresholds() const
{
    bool lowerOk = false;
    bool upperOk = false;
    const int lower = m_settings.value(quotaAlertLowerThresholdKey, defaultQuotaAlertLowerThreshold).toInt(&lowerOk);
    const int upper = m_settings.value(quotaAlertUpperThresholdKey, defaultQuotaAlertUpperThreshold).toInt(&upperOk);
    if (lowerOk && upperOk && 1 <= lower && lower < upper && upper <= 100)
        return { lower, upper };
    return { defaultQuotaAlertLowerThreshold, defaultQuotaAlertUpperThreshold };
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

bool UserDefaults::batteryShowsBindingLimit() const
{
    return readBool(batteryShowsBindingLimitKey);
}

void UserDefaults::setBatteryShowsBindingLimit(bool binding)
{
    write(batteryShowsBindingLimitKey, binding, binding != batteryShowsBindingLimit(),
          &UserDefaults::batteryShowsBindingLimitChanged);
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

void UserDefaults::setQuotaAlertsEnabled(bool enabled)
{
    write(quotaAlertsEnabledKey, enabled, enabled != quotaAlertsEnabled(), &UserDefaults::quotaAlertsEnabledChanged);
}

void UserDefaults::setQuotaAlertLowerThreshold(int pct)
{
    const int lower = std::clamp(pct, 1, 99);
    writeQuotaAlertThresholds(lower, std::max(quotaAlertUpperThreshold(), lower + 1));
}

void UserDefaults::setQuotaAlertUpperThreshold(int pct)
{
    const int upper = std::clamp(pct, 2, 100);
    writeQuotaAlertThresholds(std::min(quotaAlertLowerThreshold(), upper - 1), upper);
}

void UserDefaults::writeQuotaAlertThresholds(int lower, int upper)
{
    // Both are stored before either is announced, so that a reader never sees a pair out of order.
    const auto [oldLower, oldUpper] = quotaAlertThresholds();
    m_settings.setValue(quotaAlertLowerThresholdKey, lower);
    m_settings.setValue(quotaAlertUpperThresholdKey, upper);
    if (lower != oldLower)
        Q_EMIT quotaAlertLowerThresholdChanged();
    if (upper != oldUpper)
        Q_EMIT quotaAlertUpperThresholdChanged();
    Q_EMIT changed(quotaAlertLowerThresholdKey);
    Q_EMIT changed(quotaAlertUpperThresholdKey);
}

void UserDefaults::setQuotaAlertMemory(const QByteArray& memory)
{
    m_settings.setValue(quotaAlertMemoryKey, memory);
    Q_EMIT changed(quotaAlertMemoryKey);
}

void UserDefaults::setPriceListAutoUpdate(bool enabled)
{
    write(priceListAutoUpdateKey, enabled, enabled != priceListAutoUpdate(), &UserDefaults::priceListAutoUpdateChanged);
}

void UserDefaults::setPriceListLastAttempt(Instant at)
{
    m_settings.setValue(priceListLastAttemptKey, static_cast<qint64>(at.time_since_epoch().count()));
    Q_EMIT changed(priceListLastAttemptKey);
}

std::optional<bool> UserDefaults::usageSourceEnabled(const QString& id) const
{
    const QVariant value = m_settings.value(QStringLiteral("usageSources/") + id);
    return value.isValid() ? std::optional(value.toBool()) : std::nullopt;
}

void UserDefaults::setUsageSourceEnabled(const QString& id, bool enabled)
{
    const QString key = QStringLiteral("usageSources/") + id;
    m_settings.setValue(key, enabled);
    Q_EMIT changed(key);
}

void UserDefaults::sync()
{
    m_settings.sync();
}

bool UserDefaults::readBool(const QString& key) const
{
    return m_settings.value(key, false).toBool();
}

void UserDefaults::write(const QString& key, const QVariant& value, bool differs, void (UserDefaults::*notify)())
{
    m_settings.setValue(key, value);
    if (differs)
        Q_EMIT(this->*notify)();
    Q_EMIT changed(key);
}
