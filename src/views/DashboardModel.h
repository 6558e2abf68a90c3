#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "usage/UsageDataManager.h"
#include "views/QuotaCardModel.h"

namespace pacemark {

// The dashboard's figures and card conditions, derived from the usage store at each change of it.
class DashboardModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(UsageDataManager* usage READ usage WRITE setUsage NOTIFY usageChanged)
    Q_PROPERTY(QuotaCardModel* quotaCard READ quotaCard WRITE setQuotaCard NOTIFY quotaCardChanged)

    Q_PROPERTY(QString todayText READ todayText NOTIFY todayChanged)
    Q_PROPERTY(QString rateText READ rateText NOTIFY todayChanged)
    Q_PROPERTY(QString outputText READ outputText NOTIFY todayChanged)
    Q_PROPERTY(QString sessionsText READ sessionsText NOTIFY todayChanged)
    Q_PROPERTY(QString todayCostText READ todayCostText NOTIFY todayChanged)
    Q_PROPERTY(int meterLevel READ meterLevel NOTIFY todayChanged)
    Q_PROPERTY(int meterColor READ meterColor NOTIFY todayChanged)

    Q_PROPERTY(QString cumulativeText READ cumulativeText NOTIFY cumulativeChanged)
    Q_PROPERTY(QString todayShareText READ todayShareText NOTIFY cumulativeChanged)
    Q_PROPERTY(QString cumulativeCostText READ cumulativeCostText NOTIFY cumulativeChanged)
    // Empty when every token has a price.
    Q_PROPERTY(QString unpricedText READ unpricedText NOTIFY cumulativeChanged)

    Q_PROPERTY(bool showModelCards READ showModelCards NOTIFY modelsChanged)
    // Each row: name, color (NamedColor), share (0..1), tokens.
    Q_PROPERTY(QVariantList shareRows READ shareRows NOTIFY modelsChanged)

    // Per project, the five with most tokens and "기타" for the rest: {name, tokens, cost}.
    Q_PROPERTY(QVariantList todayProjectRows READ todayProjectRows NOTIFY projectsChanged)
    Q_PROPERTY(QVariantList weekProjectRows READ weekProjectRows NOTIFY projectsChanged)
    Q_PROPERTY(bool showProviderCard READ showProviderCard NOTIFY providersChanged)
    // Each row: name, tokens.
    Q_PROPERTY(QVariantList providerRows READ providerRows NOTIFY providersChanged)

public:
    explicit DashboardModel(QObject* parent = nullptr);

    UsageDataManager* usage() const { return m_usage; }
    void setUsage(UsageDataManager* usage);
    QuotaCardModel* quotaCard() const { return m_quotaCard; }
    void setQuotaCard(QuotaCardModel* quotaCard);

    QString todayText() const { return m_today.todayText; }
    QString rateText() const { return m_today.rateText; }
    QString outputText() const { return m_today.outputText; }
    QString sessionsText() const { return m_today.sessionsText; }
    QString todayCostText() const { return m_today.costText; }
    int meterLevel() const { return m_today.meterLevel; }
    int meterColor() const { return m_today.meterColor; }
    QString cumulativeText() const { return m_cumulative.cumulativeText; }
    QString todayShareText() const { return m_cumulative.todayShareText; }
    QString cumulativeCostText() const { return m_cumulative.costText; }
    QString unpricedText() const { return m_cumulative.unpricedText; }
    bool showModelCards() const { return !m_shareRows.isEmpty(); }
    QVariantList shareRows() const { return m_shareRows; }
    QVariantList todayProjectRows() const { return m_projects.today; }
    QVariantList weekProjectRows() const { return m_projects.week; }
    bool showProviderCard() const { return m_providers.show; }
    QVariantList providerRows() const { return m_providers.rows; }

    // Derives every figure again from the usage store, as a redraw of the dashboard does.
    Q_INVOKABLE void rebuild();

Q_SIGNALS:
    void usageChanged();
    void quotaCardChanged();
    void todayChanged();
    void cumulativeChanged();
    void modelsChanged();
    void providersChanged();
    void projectsChanged();

private:
    struct Today
    {
        QString todayText;
        QString rateText;
        QString outputText;
        QString sessionsText;
        int meterLevel = 0;
        int meterColor = 0;
        QString costText;
        bool operator==(const Today&) const = default;
    };
    struct Cumulative
    {
        QString cumulativeText;
        QString todayShareText;
        QString costText;
        QString unpricedText;
        bool operator==(const Cumulative&) const = default;
    };
    struct Projects
    {
        QVariantList today;
        QVariantList week;
        bool operator==(const Projects&) const = default;
    };
    struct Providers
    {
        bool show = false;
        QVariantList rows;
        bool operator==(const Providers&) const = default;
    };

    QPointer<UsageDataManager> m_usage;
    QPointer<QuotaCardModel> m_quotaCard;
    Today m_today;
    Cumulative m_cumulative;
    QVariantList m_shareRows;
    Providers m_providers;
    Projects m_projects;
};

}
