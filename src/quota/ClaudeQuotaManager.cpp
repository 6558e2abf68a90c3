#include "quota/ClaudeQuotaManager.h"

#include <cmath>

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QStandardPaths>

#include "basics/Clock.h"
#include "basics/OwnFile.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcQuotaManager, "pacemark.quota")

namespace {

// Far more than a day of samples of every limit; a larger file is not ours.
constexpr qint64 MaxSampleFileSize = 4 << 20;

}

QString ClaudeQuotaManager::Status::caseName() const
{
    switch (m_case) {
    case Case::error:
        return QStringLiteral("error");
    case Case::notConfigured:
        return QStringLiteral("notConfigured");
    case Case::loading:
        return QStringLiteral("loading");
    case Case::loaded:
        return QStringLiteral("loaded");
    case Case::denied:
        return QStringLiteral("denied");
    }
    return {};
}

ClaudeQuotaManager::ClaudeQuotaManager(ClaudeOAuthProvider* provider, QObject* parent)
    : QObject(parent)
    , m_provider(provider)
{
    // A named child, so that tests can watch the loop turn rather than wait for a while.
    m_pollTimer.setParent(this);
    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    m_pollTimer.setSingleShot(true);
    QObject::connect(&m_pollTimer, &QTimer::timeout, this, &ClaudeQuotaManager::pollOnce);
}

void ClaudeQuotaManager::setSampleFile(const QString& path, bool writable)
{
    m_sampleFile = path;
    m_sampleFileWritable = writable;
    const auto file = OwnFile::read(path, MaxSampleFileSize);
    if (!file.refusal.isEmpty())
        qCWarning(lcQuotaManager).noquote() << "quota samples in" << path << "are ignored:" << file.refusal;
    m_forecast = file.bytes ? QuotaForecast(QJsonDocument::fromJson(*file.bytes).object()) : QuotaForecast();
}

QString ClaudeQuotaManager::defaultSampleFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/quota-samples.json");
}

void ClaudeQuotaManager::startPolling()
{
    if (m_polling)
        return;
    ++m_pollGeneration;
    setPolling(true);
    pollOnce();
}

void ClaudeQuotaManager::stopPolling()
{
    m_pollTimer.stop();
    setPolling(false);
}

void ClaudeQuotaManager::refreshQuota()
{
    refresh([this] { Q_EMIT refreshFinished(); });
}

void ClaudeQuotaManager::connectAccount()
{
    if (retryBlocked()) {
        setStatus(Status::error(*m_retryError));
        finishLater(&ClaudeQuotaManager::connectAccountFinished);
        return;
    }
    setStatus(Status::loading());
    ++m_fetchesInFlight;
    m_provider->fetchQuota(true, this,
                           [this, account = m_accountGeneration](const ClaudeOAuthProvider::FetchResult& result) {
                               --m_fetchesInFlight;
                               const auto* error = std::get_if<OAuthError>(&result.outcome);
                               setCredentialFound(!error || error->errorCase() != OAuthError::Case::noToken);
                               if (account == m_accountGeneration)
                                   applyConnect(result);
                               Q_EMIT connectAccountFinished();
                           });
}

void ClaudeQuotaManager::disconnectAccount()
{
    ++m_accountGeneration;
    setStatus(Status::denied());
    setQuota(std::nullopt);
}

void ClaudeQuotaManager::refresh(std::function<void()> finished)
{
    if (m_fetchesInFlight > 0) {
        QMetaObject::invokeMethod(this, finished, Qt::QueuedConnection);
        return;
    }
    // Looked for before the spacing: a logout shows at once, and looking sends nothing. The lookup
    // counts as a fetch, so that refreshes meanwhile do not ask the keyring again.
    ++m_fetchesInFlight;
    m_provider->findAccessToken(false, this,
                                [this, finished, account = m_accountGeneration](const std::optional<QString>& token) {
                                    --m_fetchesInFlight;
                                    if (account == m_accountGeneration)
                                        refreshWith(token, finished);
                                    else
                                        finished();
                                });
}

void ClaudeQuotaManager::refreshWith(const std::optional<QString>& token, const std::function<void()>& finished)
{
    setCredentialFound(token.has_value());
    if (!token) {
        setStatus(Status::notConfigured());
        setQuota(std::nullopt);
        // A user who logs in again right away should not wait out the spacing of the old session.
        m_lastSuccess.reset();
        finished();
        return;
    }
    if (m_lastSuccess && Clock::now() - *m_lastSuccess < MinimumRefreshSpacing) {
        finished();
        return;
    }
    if (retryBlocked()) {
        setStatus(Status::error(*m_retryError));
        finished();
        return;
    }
    if (!m_quota && m_status.statusCase() != Status::Case::loading && m_status.statusCase() != Status::Case::denied)
        setStatus(Status::loading());

    ++m_fetchesInFlight;
    m_provider->fetchQuota(
        *token, this, [this, finished, account = m_accountGeneration](const ClaudeOAuthProvider::FetchResult& result) {
            --m_fetchesInFlight;
            if (account == m_accountGeneration)
                applyRefresh(result);
            finished();
        });
}

std::optional<OAuthError> ClaudeQuotaManager::applyCommon(const ClaudeOAuthProvider::FetchResult& result)
{
    if (const auto* quota = std::get_if<ClaudeQuota>(&result.outcome)) {
        m_lastSuccess = Clock::now();
        m_retryAt.reset();
        ClaudeQuota withForecast = *quota;
        m_forecast.record(withForecast);
        saveSamples();
        setQuota(withForecast);
        setStatus(Status::loaded());
        return std::nullopt;
    }
    const OAuthError& error = std::get<OAuthError>(result.outcome);
    if (result.retryAt) {
        m_retryAt = m_retryAt ? std::max(*m_retryAt, *result.retryAt) : *result.retryAt;
        m_retryError = error;
    }
    return error;
}

void ClaudeQuotaManager::applyRefresh(const ClaudeOAuthProvider::FetchResult& result)
{
    // The request carries the token just found, so no refresh fails for want of one.
    if (const auto error = applyCommon(result))
        setStatus(Status::error(*error));
}

void ClaudeQuotaManager::applyConnect(const ClaudeOAuthProvider::FetchResult& result)
{
    const auto error = applyCommon(result);
    if (!error)
        return;
    setStatus(error->errorCase() == OAuthError::Case::noToken ? Status::denied() : Status::error(*error));
}

bool ClaudeQuotaManager::retryBlocked() const
{
    return m_retryAt && Clock::now() < *m_retryAt;
}

void ClaudeQuotaManager::finishLater(void (ClaudeQuotaManager::*signal)())
{
    QMetaObject::invokeMethod(
        this,
        [this, signal] {
            Q_EMIT(this->*signal)
            ();
        },
        Qt::QueuedConnection);
}

void ClaudeQuotaManager::pollOnce()
{
    if (!m_polling)
        return;
    if (m_status.statusCase() == Status::Case::denied) {
        sleepThenPoll();
        return;
    }
    refresh([this, generation = m_pollGeneration] {
        Q_EMIT refreshFinished();
        if (m_polling && generation == m_pollGeneration)
            sleepThenPoll();
    });
}

void ClaudeQuotaManager::sleepThenPoll()
{
    m_pollTimer.start(std::chrono::milliseconds(std::llround(m_pollInterval * 1000.0)));
}

void ClaudeQuotaManager::setStatus(const Status& status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

void ClaudeQuotaManager::setQuota(const std::optional<ClaudeQuota>& quota)
{
    if (m_quota == quota)
        return;
    m_quota = quota;
    Q_EMIT quotaChanged();
}

void ClaudeQuotaManager::setCredentialFound(bool found)
{
    if (m_credentialFound == found)
        return;
    m_credentialFound = found;
    Q_EMIT credentialFoundChanged();
}

void ClaudeQuotaManager::setPolling(bool polling)
{
    if (m_polling == polling)
        return;
    m_polling = polling;
    Q_EMIT pollingChanged();
}

void ClaudeQuotaManager::saveSamples() const
{
    if (m_sampleFile.isEmpty() || !m_sampleFileWritable)
        return;
    // Replaced whole, so that a crash mid-write leaves the previous samples.
    QString error;
    if (!OwnFile::write(m_sampleFile, QJsonDocument(m_forecast.memory()).toJson(QJsonDocument::Compact), &error))
        qCWarning(lcQuotaManager).noquote() << "quota samples not saved:" << error;
}

}
