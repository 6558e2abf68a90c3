#include "app/AppUpdater.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include "app/UpdateDialog.h"
#include "app/VersionComparator.h"

namespace pacemark {

namespace {

const QString ShortVersionKey = QStringLiteral("CFBundleShortVersionString");
const QString BuildNumberKey = QStringLiteral("CFBundleVersion");

}

AppUpdater* AppUpdater::shared()
{
    // Guarded: the instance goes with the application object.
    static QPointer<AppUpdater> instance;
    if (!instance)
        instance = new AppUpdater(QUrl(QStringLiteral(PACEMARK_UPDATE_FEED_URL)), QCoreApplication::instance());
    return instance;
}

AppUpdater::AppUpdater(const QUrl& feedUrl, QObject* parent)
    : UpdateChecker(parent)
    , m_feedUrl(feedUrl)
    , m_currentVersion(appVersion())
    , m_network(new QNetworkAccessManager(this))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { abort(tr("업데이트 서버가 제때 응답하지 않았습니다.")); });
}

QVariantMap AppUpdater::buildInfo()
{
    QVariantMap info;
    if (const QString shortVersion = QStringLiteral(PACEMARK_VERSION); !shortVersion.isEmpty())
        info.insert(ShortVersionKey, shortVersion);
    if (const QString buildNumber = QStringLiteral(PACEMARK_BUILD_NUMBER); !buildNumber.isEmpty())
        info.insert(BuildNumberKey, buildNumber);
    return info;
}

QString AppUpdater::appVersion()
{
    return appVersion(buildInfo());
}

QString AppUpdater::appVersion(const std::optional<QVariantMap>& info)
{
    if (info) {
        for (const QString& key : { ShortVersionKey, BuildNumberKey }) {
            const QVariant value = info->value(key);
            if (value.typeId() == QMetaType::QString)
                return value.toString();
        }
    }
    return QStringLiteral("1.0.0");
}

bool AppUpdater::canCheckForUpdates() const
{
    return m_feedUrl.isValid() && m_feedUrl.scheme() == u"https" && !m_feedUrl.host().isEmpty() && !m_reply;
}

void AppUpdater::checkForUpdates()
{
    if (!canCheckForUpdates()) {
        if (!m_reply)
            finish({ CheckResult::Outcome::failed, m_currentVersion, std::nullopt,
                     tr("업데이트 주소가 설정되지 않았습니다.") });
        return;
    }
    QNetworkRequest request(m_feedUrl);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pacemark/%1").arg(m_currentVersion));
    if (m_sslConfiguration)
        request.setSslConfiguration(*m_sslConfiguration);
    m_abortReason.clear();
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > MaximumFeedSize || total > MaximumFeedSize)
            abort(tr("업데이트 정보가 너무 큽니다."));
    });
    connect(m_reply, &QNetworkReply::finished, this, &AppUpdater::received);
    m_deadline.start(m_timeout);
    Q_EMIT canCheckForUpdatesChanged();
}

void AppUpdater::received()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_deadline.stop();
    reply->deleteLater();
    Q_EMIT canCheckForUpdatesChanged();

    if (!m_abortReason.isEmpty()) {
        finish({ CheckResult::Outcome::failed, m_currentVersion, std::nullopt, m_abortReason });
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        finish({ CheckResult::Outcome::failed, m_currentVersion, std::nullopt, reply->errorString() });
        return;
    }
    finish(evaluate(reply->readAll()));
}

void AppUpdater::abort(const QString& reason)
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    m_abortReason = reason;
    m_reply->abort();
}

AppUpdater::CheckResult AppUpdater::evaluate(const QByteArray& feed) const
{
    const auto parsed = UpdateFeed::parse(feed);
    if (const auto* error = std::get_if<QString>(&parsed))
        return { CheckResult::Outcome::failed, m_currentVersion, std::nullopt,
                 tr("업데이트 정보를 읽을 수 없습니다: ") + *error };
    const std::optional<UpdateFeed::Item> newest = UpdateFeed::newest(std::get<QList<UpdateFeed::Item>>(parsed));
    if (newest && VersionComparator::compare(newest->displayVersion(), m_currentVersion) > 0)
        return { CheckResult::Outcome::updateAvailable, m_currentVersion, newest, {} };
    return { CheckResult::Outcome::upToDate, m_currentVersion, newest, {} };
}

void AppUpdater::finish(CheckResult result)
{
    Q_EMIT checkFinished(result);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        UpdateDialog::show(result);
}

}
