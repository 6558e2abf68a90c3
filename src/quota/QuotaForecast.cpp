#include "quota/QuotaForecast.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>

namespace pacemark {

namespace {

using namespace std::chrono_literals;

// Reset times wobble by fractions of a second between answers; a new period never ends within an hour
// of the last one.
constexpr qint64 SamePeriodToleranceMs = 3'600'000;
// A fall this large is a reset the answer did not date: the old samples belong to the last period.
constexpr double ResetDrop = 5.0;
// The server sends whole points: a rise of one point may be half a point of real use, so a pace needs
// two before it is trusted.
constexpr double MinimumRise = 2.0;
// Bounds what a broken file or answer can make us keep.
constexpr std::size_t MaxSeries = 64;
constexpr std::size_t MaxSamples = 2048;

const QString EndKey = QStringLiteral("end");
const QString SamplesKey = QStringLiteral("samples");

qint64 msOf(Instant instant)
{
    return instant.time_since_epoch().count();
}

}

QuotaForecast::QuotaForecast(const QJsonObject& memory)
{
    for (auto it = memory.begin(); it != memory.end() && m_series.size() < MaxSeries; ++it) {
        const QJsonObject entry = it.value().toObject();
        Series series;
        series.periodEnd = entry.value(EndKey).toInteger();
        for (const QJsonValue& value : entry.value(SamplesKey).toArray()) {
            const QJsonArray pair = value.toArray();
            const double percent = pair.at(1).toDouble(std::nan(""));
            if (pair.size() != 2 || !pair.at(0).isDouble() || !std::isfinite(percent))
                continue;
            const Instant at { std::chrono::milliseconds(pair.at(0).toInteger()) };
            if (series.samples.empty() || at > series.samples.back().at)
                series.samples.push_back({ at, percent });
        }
        if (series.samples.size() > MaxSamples)
            series.samples.erase(series.samples.begin(),
                                 series.samples.end() - static_cast<std::ptrdiff_t>(MaxSamples));
        if (!series.samples.empty())
            m_series.emplace(it.key(), std::move(series));
    }
}

void QuotaForecast::record(ClaudeQuota& quota)
{
    const Instant at = quota.fetchedAt;
    for (auto it = m_series.begin(); it != m_series.end();) {
        auto& samples = it->second.samples;
        std::erase_if(samples, [&](const Sample& s) { return s.at < at - Keep; });
        it = samples.empty() ? m_series.erase(it) : std::next(it);
    }
    for (auto& limit : quota.limits) {
        add(limit, at);
        limit.forecastAt = forecast(limit.id(), limit.resetsAt);
    }
}

void QuotaForecast::add(const ClaudeQuota::Limit& limit, Instant at)
{
    if (!std::isfinite(limit.percent))
        return;
    const qint64 periodEnd = limit.resetsAt ? msOf(*limit.resetsAt) : 0;
    auto it = m_series.find(limit.id());
    if (it == m_series.end()) {
        if (m_series.size() >= MaxSeries)
            return;
        it = m_series.emplace(limit.id(), Series {}).first;
    }
    Series& series = it->second;
    if (!series.samples.empty()) {
        const bool movedReset = periodEnd != series.periodEnd
            && (periodEnd == 0 || series.periodEnd == 0
                || std::abs(periodEnd - series.periodEnd) >= SamePeriodToleranceMs);
        const bool passedReset = series.periodEnd != 0 && msOf(at) >= series.periodEnd;
        const bool fell = limit.percent <= series.samples.back().percent - ResetDrop;
        if (movedReset || passedReset || fell)
            series.samples.clear();
    }
    series.periodEnd = periodEnd;
    // A repeated or older figure (the same answer twice, a clock set back) adds nothing.
    if (!series.samples.empty() && at <= series.samples.back().at)
        return;
    series.samples.push_back({ at, limit.percent });
    if (series.samples.size() > MaxSamples)
        series.samples.erase(series.samples.begin());
}

std::optional<Instant> QuotaForecast::forecast(const QString& id, std::optional<Instant> resetsAt) const
{
    const auto it = m_series.find(id);
    if (it == m_series.end() || it->second.samples.empty())
        return std::nullopt;
    const auto& all = it->second.samples;
    const Instant last = all.back().at;
    const auto first = std::find_if(all.begin(), all.end(), [&](const Sample& s) { return s.at >= last - Window; });
    const auto count = static_cast<std::size_t>(all.end() - first);
    if (count < MinimumSamples || last - first->at < MinimumSpan || all.back().percent >= 100.0)
        return std::nullopt;

    // Seconds since the window's first sample keep the sums small and exact enough.
    double meanT = 0.0;
    double meanP = 0.0;
    for (auto s = first; s != all.end(); ++s) {
        meanT += std::chrono::duration<double>(s->at - first->at).count();
        meanP += s->percent;
    }
    meanT /= static_cast<double>(count);
    meanP /= static_cast<double>(count);
    double sxy = 0.0;
    double sxx = 0.0;
    for (auto s = first; s != all.end(); ++s) {
        const double dt = std::chrono::duration<double>(s->at - first->at).count() - meanT;
        sxy += dt * (s->percent - meanP);
        sxx += dt * dt;
    }
    const double span = std::chrono::duration<double>(last - first->at).count();
    const double slope = sxy / sxx;
    if (!(slope * span >= MinimumRise))
        return std::nullopt;
    const double now = meanP + slope * (span - meanT);
    const double secondsLeft = (100.0 - std::min(now, 100.0)) / slope;
    if (!std::isfinite(secondsLeft) || secondsLeft > 366.0 * 86400.0)
        return std::nullopt;
    const Instant reached = last + std::chrono::milliseconds(std::llround(secondsLeft * 1000.0));
    if (resetsAt && reached >= *resetsAt)
        return std::nullopt;
    return reached;
}

QString QuotaForecast::text(Instant reached, Instant now)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(msOf(reached)).toLocalTime();
    const QDate today = QDateTime::fromMSecsSinceEpoch(msOf(now)).toLocalTime().date();
    const QString format = at.date() == today ? QStringLiteral("HH:mm") : QStringLiteral("M/d HH:mm");
    return QCoreApplication::translate("QuotaForecast", "이 속도면 %1에 한도 도달").arg(at.toString(format));
}

const std::vector<QuotaForecast::Sample>& QuotaForecast::samples(const QString& id) const
{
    static const std::vector<Sample> none;
    const auto it = m_series.find(id);
    return it == m_series.end() ? none : it->second.samples;
}

QJsonObject QuotaForecast::memory() const
{
    QJsonObject memory;
    for (const auto& [id, series] : m_series) {
        QJsonArray samples;
        for (const auto& sample : series.samples)
            samples.append(QJsonArray { msOf(sample.at), sample.percent });
        memory.insert(id, QJsonObject { { EndKey, series.periodEnd }, { SamplesKey, samples } });
    }
    return memory;
}

}
