#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/QuotaForecast.h"

namespace pacemark {

// Keeps the latest quota snapshot and the connection status for the views, refreshing it on a poll,
// when the popover opens and when the user asks to connect.
class ClaudeQuotaManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ClaudeQuotaManager::Status status READ status NOTIFY statusChanged)
    Q_PROPERTY(std::optional<ClaudeQuota> quota READ quota NOTIFY quotaChanged)
    Q_PROPERTY(bool polling READ isPolling NOTIFY pollingChanged)
    Q_PROPERTY(bool credentialFound READ credentialFound NOTIFY credentialFoundChanged)

public:
    class Status
    {
    public:
        enum class Case { error, notConfigured, loading, loaded, denied };

        Status() = default;
        static Status error(OAuthError error) { return Status(Case::error, std::move(error)); }
        static Status notConfigured() { return Status(Case::notConfigured, std::nullopt); }
        static Status loading() { return Status(Case::loading, std::nullopt); }
        static Status loaded() { return Status(Case::loaded, std::nullopt); }
        static Status denied() { return Status(Case::denied, std::nullopt); }

        Case statusCase() const { return m_case; }
        // Set only for Case::error.
        const std::optional<OAuthError>& oauthError() const { return m_error; }
        // "error", "notConfigured", "loading", "loaded" or "denied".
        QString caseName() const;

        bool operator==(const Status&) const = default;

    private:
        Status(Case statusCase, std::optional<OAuthError> error)
            : m_case(statusCase)
            , m_error(std::move(error))
        { }

        Case m_case = Case::notConfigured;
        std::optional<OAuthError> m_error;
    };

    // A refreshQuota this soon after a successful fetch is skipped: the endpoint rate-limits hard and
    // every popover opening asks for one.
    static constexpr std::chrono::seconds MinimumRefreshSpacing { 60 };

    explicit ClaudeQuotaManager(ClaudeOAuthProvider* provider, QObject* parent = nullptr);

    Status status() const { return m_status; }
    const std::optional<ClaudeQuota>& quota() const { return m_quota; }
    bool isPolling() const { return m_polling; }
    // Whether the last lookup found Claude Code's credential: looked up at each fetch, off the main
    // thread, and kept in between so that showing it never waits for a keyring.
    bool credentialFound() const { return m_credentialFound; }

    double pollInterval() const { return m_pollInterval; }
    // Seconds between the end of one poll and the start of the next; read when the next sleep starts.
    void setPollInterval(double seconds) { m_pollInterval = seconds; }

    // Where each limit's percent is kept at every poll, so that the forecast survives a restart. A
    // read-only file gives the forecast its past without being written (a one-off report).
    void setSampleFile(const QString& path, bool writable);
    // sampleFile in the application's data folder.
    static QString defaultSampleFile();
    const QuotaForecast& forecast() const { return m_forecast; }

    // Refreshes at once, then pollInterval after each refresh ends; does not refresh while denied.
    void startPolling();
    // Ends the loop wherever it is; a fetch already sent still applies its outcome.
    void stopPolling();

    // A fetch without interaction. Skipped while another fetch is in flight or within
    // MinimumRefreshSpacing of the last success. refreshFinished follows every call, always later.
    void refreshQuota();
    // A user-initiated fetch that may ask the user for access to the credential. connectAccountFinished
    // follows every call, always later.
    void connectAccount();
    // Drops the snapshot and stops fetching until the next connectAccount; a fetch already sent is ignored.
    // The credential itself is left alone.
    void disconnectAccount();

Q_SIGNALS:
    void statusChanged();
    void quotaChanged();
    void pollingChanged();
    void credentialFoundChanged();
    void refreshFinished();
    void connectAccountFinished();

private:
    void refresh(std::function<void()> finished);
    void refreshWith(const std::optional<QString>& token, const std::function<void()>& finished);
    void applyRefresh(const ClaudeOAuthProvider::FetchResult& result);
    void applyConnect(const ClaudeOAuthProvider::FetchResult& result);
    // Applies what every fetch shares; returns the error, or nothing after a success.
    std::optional<OAuthError> applyCommon(const ClaudeOAuthProvider::FetchResult& result);
    bool retryBlocked() const;
    void finishLater(void (ClaudeQuotaManager::*signal)());
    void pollOnce();
    void sleepThenPoll();
    void setStatus(const Status& status);
    void setQuota(const std::optional<ClaudeQuota>& quota);
    void setPolling(bool polling);
    void setCredentialFound(bool found);
    void saveSamples() const;

    Status m_status = Status::notConfigured();
    std::optional<ClaudeQuota> m_quota;
    ClaudeOAuthProvider* m_provider;
    bool m_polling = false;
    bool m_credentialFound = false;
    double m_pollInterval = 300.0;
    QTimer m_pollTimer;
    // Tells a refresh started by an earlier loop that the loop it belonged to has ended.
    quint64 m_pollGeneration = 0;
    int m_fetchesInFlight = 0;
    // Outcomes of fetches sent before a disconnect do not apply.
    quint64 m_accountGeneration = 0;
    std::optional<Instant> m_lastSuccess;
    std::optional<Instant> m_retryAt;
    std::optional<OAuthError> m_retryError;
    QuotaForecast m_forecast;
    QString m_sampleFile;
    bool m_sampleFileWritable = false;
};

}
