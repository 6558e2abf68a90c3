#include "basics/AppSettings.h"

#include <algorithm>
#include <cmath>

namespace pacemark {

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

AppSettings::AppSettings(QObject* parent)
    : QObject(parent)
{ }

AppSettings::AppSettings(const QString& fileName, QObject* parent)
    : QObject(parent)
    , m_settings(fileName, QSettings::IniFormat)
{ }

bool AppSettings::speedInverted() const
{
    return readBool(speedInvertedKey);
}

bool AppSettings::runnerPaused() const
{
    return readBool(runnerPausedKey);
}

bool AppSettings::horizontalFlip() const
{
    return readBool(horizontalFlipKey);
}

double AppSettings::characterHeight() const
{
    bool ok = false;
    const double height = m_settings.value(characterHeightKey).toDouble(&ok);
    return ok && std::isfinite(height) ? height : defaultCharacterHeight;
}

bool AppSettings::showMenuBarQuotaBattery() const
{
    return readBool(showMenuBarQuotaBatteryKey);
}

QString AppSettings::selectedCharacterId() const
{
    return m_settings.value(selectedCharacterIdKey).toString();
}

bool AppSettings::quotaAlertsEnabled() const
{
    return m_settings.value(quotaAlertsEnabledKey, true).toBool();
}

int AppSettings::quotaAlertLowerThreshold() const
{
    return quotaAlertThresholds().first;
}

int AppSettings::quotaAlertUpperThreshold() const
{
    return quotaAlertThresholds().second;
}

QByteArray AppSettings::quotaAlertMemory() const
{
    return m_settings.value(quotaAlertMemoryKey).toByteArray();
}

QString AppSettings::language() const
{
    const QString stored = m_settings.value(languageKey).toString();
    return isLanguage(stored) ? stored : QStringLiteral("ko");
}

void AppSettings::setLanguage(const QString& language)
{
    if (isLanguage(language))
        write(languageKey, language, language != this->language(), &AppSettings::languageChanged);
}

bool AppSettings::priceListAutoUpdate() const
{
    return m_settings.value(priceListAutoUpdateKey, true).toBool();
}

std::optional<Instant> AppSettings::priceListLastAttempt() const
{
    bool ok = false;
    const qint64 ms = m_settings.value(priceListLastAttemptKey).toLongLong(&ok);
    return ok ? std::optional(Instant(std::chrono::milliseconds(ms))) : std::nullopt;
}

std::pair<int, int> AppSettings::quotaAlertThresholds() const
{
    bool lowerOk = false;
    bool upperOk = false;
    const int lower = m_settings.value(quotaAlertLowerThresholdKey, defaultQuotaAlertLowerThreshold).toInt(&lowerOk);
    const int upper = m_settings.value(quotaAlertUpperThresholdKey, defaultQuotaAlertUpperThreshold).toInt(&upperOk);
    if (lowerOk && upperOk && 1 <= lower && lower < upper && upper <= 100)
        return { lower, upper };
    return { defaultQuotaAlertLowerThreshold, defaultQuotaAlertUpperThreshold };
}

void AppSettings::setSpeedInverted(bool inverted)
{
    write(speedInvertedKey, inverted, inverted != speedInverted(), &AppSettings::speedInvertedChanged);
}

void AppSettings::setRunnerPaused(bool paused)
{
    write(runnerPausedKey, paused, paused != runnerPaused(), &AppSettings::runnerPausedChanged);
}

void AppSettings::setHorizontalFlip(bool flip)
{
    write(horizontalFlipKey, flip, flip != horizontalFlip(), &AppSettings::horizontalFlipChanged);
}

void AppSettings::setCharacterHeight(double height)
{
    write(characterHeightKey, height, height != characterHeight(), &AppSettings::characterHeightChanged);
}

bool AppSettings::batteryShowsBindingLimit() const
{
    return readBool(batteryShowsBindingLimitKey);
}

void AppSettings::setBatteryShowsBindingLimit(bool binding)
{
    write(batteryShowsBindingLimitKey, binding, binding != batteryShowsBindingLimit(),
          &AppSettings::batteryShowsBindingLimitChanged);
}

void AppSettings::setShowMenuBarQuotaBattery(bool show)
{
    write(showMenuBarQuotaBatteryKey, show, show != showMenuBarQuotaBattery(),
          &AppSettings::showMenuBarQuotaBatteryChanged);
}

void AppSettings::setSelectedCharacterId(const QString& id)
{
    write(selectedCharacterIdKey, id, id != selectedCharacterId(), &AppSettings::selectedCharacterIdChanged);
}

void AppSettings::setQuotaAlertsEnabled(bool enabled)
{
    write(quotaAlertsEnabledKey, enabled, enabled != quotaAlertsEnabled(), &AppSettings::quotaAlertsEnabledChanged);
}

void AppSettings::setQuotaAlertLowerThreshold(int pct)
{
    const int lower = std::clamp(pct, 1, 99);
    writeQuotaAlertThresholds(lower, std::max(quotaAlertUpperThreshold(), lower + 1));
}

void AppSettings::setQuotaAlertUpperThreshold(int pct)
{
    const int upper = std::clamp(pct, 2, 100);
    writeQuotaAlertThresholds(std::min(quotaAlertLowerThreshold(), upper - 1), upper);
}

void AppSettings::writeQuotaAlertThresholds(int lower, int upper)
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

void AppSettings::setQuotaAlertMemory(const QByteArray& memory)
{
    m_settings.setValue(quotaAlertMemoryKey, memory);
    Q_EMIT changed(quotaAlertMemoryKey);
}

void AppSettings::setPriceListAutoUpdate(bool enabled)
{
    write(priceListAutoUpdateKey, enabled, enabled != priceListAutoUpdate(), &AppSettings::priceListAutoUpdateChanged);
}

void AppSettings::setPriceListLastAttempt(Instant at)
{
    m_settings.setValue(priceListLastAttemptKey, static_cast<qint64>(at.time_since_epoch().count()));
    Q_EMIT changed(priceListLastAttemptKey);
}

std::optional<bool> AppSettings::usageSourceEnabled(const QString& id) const
{
    const QVariant value = m_settings.value(QStringLiteral("usageSources/") + id);
    return value.isValid() ? std::optional(value.toBool()) : std::nullopt;
}

void AppSettings::setUsageSourceEnabled(const QString& id, bool enabled)
{
    const QString key = QStringLiteral("usageSources/") + id;
    m_settings.setValue(key, enabled);
    Q_EMIT changed(key);
}

void AppSettings::sync()
{
    m_settings.sync();
}

bool AppSettings::readBool(const QString& key) const
{
    return m_settings.value(key, false).toBool();
}

void AppSettings::write(const QString& key, const QVariant& value, bool differs, void (AppSettings::*notify)())
{
    m_settings.setValue(key, value);
    if (differs)
        Q_EMIT(this->*notify)();
    Q_EMIT changed(key);
}

}
