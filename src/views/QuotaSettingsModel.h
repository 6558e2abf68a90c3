#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "quota/ClaudeQuota.h"
#include "quota/ClaudeQuotaManager.h"

namespace pacemark {

// The settings form's quota section: the status text and its colour, which actions are offered, the
// time of the last snapshot and the battery preview lines. Follows the quota manager when given one.
class QuotaSettingsModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the settings window")
    Q_PROPERTY(QString statusText READ statusText NOTIFY displayChanged)
    Q_PROPERTY(Tone statusTone READ statusTone NOTIFY displayChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY displayChanged)
    Q_PROPERTY(bool offersConnect READ offersConnect NOTIFY displayChanged)
    Q_PROPERTY(bool hasQuota READ hasQuota NOTIFY displayChanged)
    Q_PROPERTY(QString updatedText READ updatedText NOTIFY displayChanged)
    Q_PROPERTY(QString windowsText READ windowsText NOTIFY displayChanged)
    Q_PROPERTY(QString creditsText READ creditsText NOTIFY displayChanged)
    Q_PROPERTY(QString sessionLimitName READ sessionLimitName NOTIFY displayChanged)

public:
    enum class Tone {
        Secondary,
        Red,
        Green,
    };
    Q_ENUM(Tone)

    // Without a manager the section shows what it is fed and its actions only change that.
    explicit QuotaSettingsModel(ClaudeQuotaManager* manager = nullptr, QObject* parent = nullptr);

    void setStatus(const ClaudeQuotaManager::Status& status);
    void setQuota(const std::optional<ClaudeQuota>& quota);
    const ClaudeQuotaManager::Status& status() const { return m_status; }

    QString statusText() const { return m_display.statusText; }
    Tone statusTone() const { return m_display.statusTone; }
    bool isLoading() const { return m_display.isLoading; }
    // "연결" alone rather than "새로고침" and "연결 해제".
    bool offersConnect() const { return m_display.offersConnect; }
    bool hasQuota() const { return m_display.hasQuota; }
    QString updatedText() const { return m_display.updatedText; }
    // The five-hour limit's name, as the battery's choice offers it.
    QString sessionLimitName() const;
    // The five-hour and weekly utilisation; empty unless both windows are there.
    QString windowsText() const { return m_display.windowsText; }
    // The extra credits; empty without them.
    QString creditsText() const { return m_display.creditsText; }

    // "연결" and "새로고침": a fetch that may ask the user for the credential.
    Q_INVOKABLE void connectQuota();
    // "연결 해제": no snapshot and no fetches until the next connect; the credential stays.
    Q_INVOKABLE void disconnectQuota();

Q_SIGNALS:
    void displayChanged();

private:
    struct Display
    {
        QString statusText;
        Tone statusTone = Tone::Secondary;
        bool isLoading = false;
        bool offersConnect = true;
        QString updatedText;
        QString windowsText;
        QString creditsText;
        bool hasQuota = false;

        bool operator==(const Display&) const = default;
    };

    void follow();
    void rebuild();

    ClaudeQuotaManager* m_manager;
    ClaudeQuotaManager::Status m_status;
    std::optional<ClaudeQuota> m_quota;
    Display m_display;
};

}
