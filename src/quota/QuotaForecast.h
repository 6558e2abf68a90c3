#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <vector>

#include <QJsonObject>
#include <QString>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"

namespace pacemark {

// Keeps each limit's percent as the server reported it at every poll and projects when a limit that
// keeps rising at its pace of the last hour reaches 100 %. Only the server's own figures count: local
// token counts do not map onto the percent. The pace is a least-squares line through the samples, so a
// percent sent in whole points or a missed poll moves the projection little.
class QuotaForecast
{
public:
    struct Sample
    {
        Instant at;
        double percent = 0.0;

        bool operator==(const Sample&) const = default;
    };

    // The pace is measured over at most this long, and at least MinimumSpan from MinimumSamples polls.
    static constexpr std::chrono::minutes Window { 60 };
    static constexpr std::chrono::minutes MinimumSpan { 10 };
    static constexpr std::size_t MinimumSamples = 3;
    // Samples are kept this long within a period, enough for any pace and a restart.
    static constexpr std::chrono::hours Keep { 24 };

    // The samples as saved by memory(); anything unusable in it is dropped.
    explicit QuotaForecast(const QJsonObject& memory = {});

    // Adds the snapshot's figures as of its fetch time and sets each limit's forecastAt.
    void record(ClaudeQuota& quota);
    // When the limit's series reaches 100 %, if it rises steadily enough and gets there before resetsAt.
    std::optional<Instant> forecast(const QString& id, std::optional<Instant> resetsAt) const;

    // "이 속도면 14:05에 한도 도달", with the date ("이 속도면 8/19 14:05에 한도 도달") when it is not today.
    static QString text(Instant reached, Instant now);

    const std::vector<Sample>& samples(const QString& id) const;
    QJsonObject memory() const;

private:
    struct Series
    {
        // The period's reset in milliseconds since the epoch; 0 without a reset time.
        qint64 periodEnd = 0;
        std::vector<Sample> samples;
    };

    void add(const ClaudeQuota::Limit& limit, Instant at);

    std::map<QString, Series> m_series;
};

}
