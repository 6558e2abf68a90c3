#pragma once

#include <chrono>
#include <optional>

#include <QSslConfiguration>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include "app/UpdateCheckResult.h"
#include "views/UpdateChecker.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace pacemark {

// Checks an update feed in Sparkle's appcast format for a newer release and tells the user the
// outcome in a small dialog. The feed's address is fixed when the application is built; a build
// without one cannot check. One instance per process, `shared`.
class AppUpdater : public UpdateChecker
{
    Q_OBJECT

public:
    using CheckResult = UpdateCheckResult;

    static constexpr std::chrono::seconds DefaultTimeout { 20 };
    // A feed larger than this is no appcast; reading stops there.
    static constexpr qint64 MaximumFeedSize = 4 * 1024 * 1024;

    // The application's updater, created on first use with the feed of the build.
    static AppUpdater* shared();

    explicit AppUpdater(const QUrl& feedUrl, QObject* parent = nullptr);

    // The version of the build: its short version string, else its build number, else "1.0.0".
    static QString appVersion();
    // The same rule over version strings given by key; a value that is no string counts as missing.
    static QString appVersion(const std::optional<QVariantMap>& info);
    // The version strings the build records.
    static QVariantMap buildInfo();

    QUrl feedUrl() const { return m_feedUrl; }
    QString currentVersion() const override { return m_currentVersion; }
    void setCurrentVersion(const QString& version) { m_currentVersion = version; }
    // True when an https feed is configured and no check is running.
    bool canCheckForUpdates() const override;
    void setSslConfiguration(const QSslConfiguration& configuration) { m_sslConfiguration = configuration; }
    // The whole check, trickling answers included, ends by this time.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // Fetches the feed; checkFinished follows, and with a widget application the result dialog.
    void checkForUpdates() override;

Q_SIGNALS:
    void checkFinished(const AppUpdater::CheckResult& result);

private:
    void received();
    void abort(const QString& reason);
    void finish(CheckResult result);
    CheckResult evaluate(const QByteArray& feed) const;

    QUrl m_feedUrl;
    QString m_currentVersion;
    std::optional<QSslConfiguration> m_sslConfiguration;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    QNetworkAccessManager* m_network;
    // The running check's reply; none between checks.
    QNetworkReply* m_reply = nullptr;
    QTimer m_deadline;
    QString m_abortReason;
};

}
