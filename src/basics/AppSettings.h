#pragma once

#include <optional>
#include <utility>

#include <QObject>
#include <QSettings>
#include <QString>

#include "basics/Instant.h"

namespace pacemark {

// The user's settings, typed, over QSettings. Every getter reads the store at the moment of use so a
// change takes effect at once. Each property notifies only when its value really changes, while
// `changed` fires on every write, so that observers of "any change of the defaults" hear them all.
class AppSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool speedInverted READ speedInverted WRITE setSpeedInverted NOTIFY speedInvertedChanged)
    Q_PROPERTY(bool runnerPaused READ runnerPaused WRITE setRunnerPaused NOTIFY runnerPausedChanged)
    Q_PROPERTY(bool horizontalFlip READ horizontalFlip WRITE setHorizontalFlip NOTIFY horizontalFlipChanged)
    Q_PROPERTY(double characterHeight READ characterHeight WRITE setCharacterHeight NOTIFY characterHeightChanged)
    Q_PROPERTY(bool showMenuBarQuotaBattery READ showMenuBarQuotaBattery WRITE setShowMenuBarQuotaBattery NOTIFY
                   showMenuBarQuotaBatteryChanged)
    Q_PROPERTY(bool batteryShowsBindingLimit READ batteryShowsBindingLimit WRITE setBatteryShowsBindingLimit NOTIFY
                   batteryShowsBindingLimitChanged)
    Q_PROPERTY(QString selectedCharacterId READ selectedCharacterId WRITE setSelectedCharacterId NOTIFY
                   selectedCharacterIdChanged)
    Q_PROPERTY(
        bool quotaAlertsEnabled READ quotaAlertsEnabled WRITE setQuotaAlertsEnabled NOTIFY quotaAlertsEnabledChanged)
    Q_PROPERTY(int quotaAlertLowerThreshold READ quotaAlertLowerThreshold WRITE setQuotaAlertLowerThreshold NOTIFY
                   quotaAlertLowerThresholdChanged)
    Q_PROPERTY(int quotaAlertUpperThreshold READ quotaAlertUpperThreshold WRITE setQuotaAlertUpperThreshold NOTIFY
                   quotaAlertUpperThresholdChanged)
    Q_PROPERTY(bool priceListAutoUpdate READ priceListAutoUpdate WRITE setPriceListAutoUpdate NOTIFY
                   priceListAutoUpdateChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    static constexpr double defaultCharacterHeight = 20.0;
    static constexpr int defaultQuotaAlertLowerThreshold = 80;
    static constexpr int defaultQuotaAlertUpperThreshold = 95;

    // The application's own settings file.
    explicit AppSettings(QObject* parent = nullptr);
    // Settings kept in the given INI file, for tests and tools.
    explicit AppSettings(const QString& fileName, QObject* parent = nullptr);

    bool speedInverted() const;
    bool runnerPaused() const;
    bool horizontalFlip() const;
    // The stored height as it is, 0 and negative values included; a value that is no finite number
    // reads as the default.
    double characterHeight() const;
    bool showMenuBarQuotaBattery() const;
    // The battery shows the limit that stops the account first instead of the five-hour one.
    bool batteryShowsBindingLimit() const;
    // An absent key reads as the empty string.
    QString selectedCharacterId() const;
    // On unless turned off.
    bool quotaAlertsEnabled() const;
    // Percentages from 1 to 100, the lower one always below the upper one; a stored value out of
    // range or out of order reads as its default.
    int quotaAlertLowerThreshold() const;
    int quotaAlertUpperThreshold() const;
    // What the quota alerts have told, as the alert policy keeps it (JSON).
    QByteArray quotaAlertMemory() const;
    // On unless turned off.
    bool priceListAutoUpdate() const;
    // When the price list was last asked for, whatever came of it; empty before the first time.
    std::optional<Instant> priceListLastAttempt() const;
    // "ko" (the default), "en" or "system"; any other stored value reads as "ko".
    QString language() const;

    void setSpeedInverted(bool inverted);
    void setRunnerPaused(bool paused);
    void setHorizontalFlip(bool flip);
    void setCharacterHeight(double height);
    void setShowMenuBarQuotaBattery(bool show);
    void setBatteryShowsBindingLimit(bool binding);
    void setSelectedCharacterId(const QString& id);
    void setQuotaAlertsEnabled(bool enabled);
    // Clamped to 1-99 and 2-100; the other threshold moves to keep them one apart.
    void setQuotaAlertLowerThreshold(int pct);
    void setQuotaAlertUpperThreshold(int pct);
    void setQuotaAlertMemory(const QByteArray& memory);
    void setPriceListAutoUpdate(bool enabled);
    void setPriceListLastAttempt(Instant at);
    // Ignores a value that is not one of the three.
    void setLanguage(const QString& language);

    // The user's choice for a source of usage logs; empty while they made none.
    std::optional<bool> usageSourceEnabled(const QString& id) const;
    void setUsageSourceEnabled(const QString& id, bool enabled);
    // Writes pending changes to disk now rather than at the next idle moment.
    void sync();

Q_SIGNALS:
    void speedInvertedChanged();
    void runnerPausedChanged();
    void horizontalFlipChanged();
    void characterHeightChanged();
    void showMenuBarQuotaBatteryChanged();
    void batteryShowsBindingLimitChanged();
    void selectedCharacterIdChanged();
    void quotaAlertsEnabledChanged();
    void quotaAlertLowerThresholdChanged();
    void quotaAlertUpperThresholdChanged();
    void priceListAutoUpdateChanged();
    void languageChanged();
    // After every write, also one that stores the value already held.
    void changed(const QString& key);

private:
    bool readBool(const QString& key) const;
    // The stored pair when both are numbers in order within 1-100, else the defaults.
    std::pair<int, int> quotaAlertThresholds() const;
    void writeQuotaAlertThresholds(int lower, int upper);
    void write(const QString& key, const QVariant& value, bool differs, void (AppSettings::*notify)());

    QSettings m_settings;
};

}
