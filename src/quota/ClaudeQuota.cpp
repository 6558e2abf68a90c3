#include "quota/ClaudeQuota.h"

#include <algorithm>
#include <cmath>

#include <QJsonArray>
#include <QJsonValue>

#include "basics/Clock.h"
#include "basics/TimestampParser.h"

namespace pacemark {

namespace {

using Limit = ClaudeQuota::Limit;
using Kind = Limit::Kind;

// Scoped limits beyond this do not describe a real account; the rest of a huge list is ignored.
constexpr std::size_t MaxLimits = 32;
// A name longer than this is cut: it has to fit a row of the card.
constexpr qsizetype MaxLabelLength = 40;
// Currencies with more minor digits than this do not exist; a larger exponent is a broken answer.
constexpr int MaxDecimalPlaces = 8;

std::optional<double> number(const QJsonValue& value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

// Whole minor units: 1287.0 counts as 1287, a fraction or a value beyond 64 bits as nothing.
std::optional<qint64> integral(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::trunc(d) || std::abs(d) > 9.0e18)
        return std::nullopt;
    return value.toInteger();
}

std::optional<int> decimalPlaces(const QJsonValue& value)
{
    const auto places = integral(value);
    if (!places || *places < 0 || *places > MaxDecimalPlaces)
        return std::nullopt;
    return static_cast<int>(*places);
}

QString text(const QJsonValue& value)
{
    return value.isString() ? value.toString().trimmed() : QString();
}

std::optional<Instant> instant(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    const QByteArray bytes = value.toString().toUtf8();
    return TimestampParser::parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// An amount given in one exponent, expressed in another.
std::optional<qint64> rescaled(qint64 amount, int from, int to)
{
    const double value = static_cast<double>(amount) * std::pow(10.0, to - from);
    if (!std::isfinite(value) || std::abs(value) > 9.0e15)
        return std::nullopt;
    return std::llround(value);
}

struct Candidate
{
    Limit limit;
    bool hasPercent = false;
    bool active = false;
};

QString scopeLabel(const QJsonObject& scope)
{
    for (const char* part : { "model", "surface" }) {
        const QString name
            = text(scope.value(QLatin1StringView(part)).toObject().value(QLatin1StringView("display_name")));
        if (!name.isEmpty())
            return name.left(MaxLabelLength);
    }
    return {};
}

std::optional<Candidate> candidateOf(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject entry = value.toObject();
    const QString kind = entry.value(QLatin1StringView("kind")).toString();
    Candidate candidate;
    Limit& limit = candidate.limit;
    if (kind == QLatin1StringView("session")) {
        limit.kind = Kind::session;
    } else if (kind == QLatin1StringView("weekly_all")) {
        limit.kind = Kind::weekly;
    } else if (kind == QLatin1StringView("weekly_scoped")) {
        limit.kind = Kind::weeklyScoped;
        limit.label = scopeLabel(entry.value(QLatin1StringView("scope")).toObject());
        if (limit.label.isEmpty())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    const auto percent = number(entry.value(QLatin1StringView("percent")));
    limit.resetsAt = instant(entry.value(QLatin1StringView("resets_at")));
    // Neither figure: nothing to show, and for the two account-wide kinds the legacy member may know more.
    if (!percent && !limit.resetsAt)
        return std::nullopt;
    candidate.hasPercent = percent.has_value();
    limit.percent = percent.value_or(0.0);
    limit.severity = text(entry.value(QLatin1StringView("severity"))).left(MaxLabelLength);
    const QJsonValue active = entry.value(QLatin1StringView("is_active"));
    candidate.active = active.isBool() && active.toBool();
    return candidate;
}

bool sameLimit(const Limit& a, const Limit& b)
{
    return a.kind == b.kind && (a.kind != Kind::weeklyScoped || a.label.compare(b.label, Qt::CaseInsensitive) == 0);
}

// Two entries for one limit keep the one that stops the account first: the active one, else the fuller.
void addCandidate(std::vector<Candidate>& list, Candidate candidate)
{
    for (auto& existing : list) {
        if (!sameLimit(existing.limit, candidate.limit))
            continue;
        if ((candidate.active && !existing.active)
            || (candidate.active == existing.active && candidate.limit.percent > existing.limit.percent))
            existing = std::move(candidate);
        return;
    }
    if (list.size() < MaxLimits)
        list.push_back(std::move(candidate));
}

void fillFromLegacy(std::vector<Candidate>& list, Kind kind, const QString& label,
                    const std::optional<ClaudeQuota::Window>& window, bool onlyOnceUsed)
{
    if (!window)
        return;
    Limit wanted;
    wanted.kind = kind;
    wanted.label = label;
    for (auto& existing : list) {
        if (!sameLimit(existing.limit, wanted))
            continue;
        if (!existing.hasPercent) {
            existing.limit.percent = window->utilizationPct;
            existing.hasPercent = true;
        }
        if (!existing.limit.resetsAt)
            existing.limit.resetsAt = window->resetsAt;
        return;
    }
    // The model windows of the older answers were shown only once used.
    if (onlyOnceUsed && !(window->utilizationPct > 0))
        return;
    wanted.percent = window->utilizationPct;
    wanted.resetsAt = window->resetsAt;
    addCandidate(list, { wanted, true, false });
}

std::optional<ClaudeQuota::Window> windowOf(const std::vector<Limit>& limits, Kind kind, const QString& label = {})
{
    Limit wanted;
    wanted.kind = kind;
    wanted.label = label;
    for (const auto& limit : limits) {
        if (sameLimit(limit, wanted))
            return limit.window();
    }
    return std::nullopt;
}

}

QString ClaudeQuota::Limit::id() const
{
    switch (kind) {
    case Kind::session:
        return QStringLiteral("fiveHour");
    case Kind::weekly:
        return QStringLiteral("sevenDay");
    case Kind::weeklyScoped:
        return QStringLiteral("weekly:") + label.toCaseFolded();
    }
    return {};
}

QString ClaudeQuota::Limit::kindName() const
{
    switch (kind) {
    case Kind::session:
        return QStringLiteral("session");
    case Kind::weekly:
        return QStringLiteral("weekly");
    case Kind::weeklyScoped:
        return QStringLiteral("weeklyScoped");
    }
    return {};
}

const ClaudeQuota::Limit* ClaudeQuota::bindingLimit() const
{
    for (const auto& limit : limits) {
        if (limit.binding)
            return &limit;
    }
    return nullptr;
}

double ClaudeQuota::shownPercent(double pct)
{
    return std::isnan(pct) ? 0.0 : std::clamp(pct, 0.0, 100.0);
}

ClaudeQuota ClaudeQuota::fromJson(const QJsonObject& object)
{
    ClaudeQuota quota;
    quota.limits = parseLimits(object);
    // The two account-wide windows mean the same as before, whichever part of the answer carried them.
    quota.fiveHour = windowOf(quota.limits, Kind::session);
    quota.sevenDay = windowOf(quota.limits, Kind::weekly);
    quota.sevenDayOpus = parseWindow(object, QLatin1StringView("seven_day_opus"));
    if (!quota.sevenDayOpus)
        quota.sevenDayOpus = windowOf(quota.limits, Kind::weeklyScoped, QStringLiteral("Opus"));
    quota.sevenDaySonnet = parseWindow(object, QLatin1StringView("seven_day_sonnet"));
    if (!quota.sevenDaySonnet)
        quota.sevenDaySonnet = windowOf(quota.limits, Kind::weeklyScoped, QStringLiteral("Sonnet"));
    quota.extraUsage = parseExtraUsage(object);
    quota.fetchedAt = Clock::now();
    return quota;
}

std::vector<ClaudeQuota::Limit> ClaudeQuota::parseLimits(const QJsonObject& object)
{
    std::vector<Candidate> accountWide;
    std::vector<Candidate> scoped;
    for (const QJsonValue& value : object.value(QLatin1StringView("limits")).toArray()) {
        if (auto candidate = candidateOf(value))
            addCandidate(candidate->limit.kind == Kind::weeklyScoped ? scoped : accountWide, std::move(*candidate));
    }
    fillFromLegacy(accountWide, Kind::session, QString(), parseWindow(object, QLatin1StringView("five_hour")), false);
    fillFromLegacy(accountWide, Kind::weekly, QString(), parseWindow(object, QLatin1StringView("seven_day")), false);
    fillFromLegacy(scoped, Kind::weeklyScoped, QStringLiteral("Opus"),
                   parseWindow(object, QLatin1StringView("seven_day_opus")), true);
    fillFromLegacy(scoped, Kind::weeklyScoped, QStringLiteral("Sonnet"),
                   parseWindow(object, QLatin1StringView("seven_day_sonnet")), true);

    std::vector<Candidate> ordered;
    for (const Kind kind : { Kind::session, Kind::weekly }) {
        for (const auto& candidate : accountWide) {
            if (candidate.limit.kind == kind)
                ordered.push_back(candidate);
        }
    }
    ordered.insert(ordered.end(), scoped.begin(), scoped.end());
    if (!ordered.empty()) {
        // The server says which limit binds; without a word from it, the fullest one does.
        auto binding = std::find_if(ordered.begin(), ordered.end(), [](const Candidate& c) { return c.active; });
        if (binding == ordered.end())
            binding = std::max_element(ordered.begin(), ordered.end(), [](const Candidate& a, const Candidate& b) {
                return a.limit.percent < b.limit.percent;
            });
        binding->limit.binding = true;
    }
    std::vector<Limit> limits;
    limits.reserve(ordered.size());
    for (auto& candidate : ordered)
        limits.push_back(std::move(candidate.limit));
    return limits;
}

std::optional<ClaudeQuota::Window> ClaudeQuota::parseWindow(const QJsonObject& object, QLatin1StringView member)
{
    const QJsonValue value = object.value(member);
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject window = value.toObject();
    return Window { number(window.value(QLatin1StringView("utilization"))).value_or(0.0),
                    instant(window.value(QLatin1StringView("resets_at"))) };
}

std::optional<ClaudeQuota::ExtraUsage> ClaudeQuota::parseExtraUsage(const QJsonObject& object)
{
    const QJsonValue extraValue = object.value(QLatin1StringView("extra_usage"));
    const QJsonValue spendValue = object.value(QLatin1StringView("spend"));
    if (!extraValue.isObject() && !spendValue.isObject())
        return std::nullopt;
    // The older member decides; the newer "spend" carries the same money and fills in what it lacks.
    const QJsonObject extra = extraValue.toObject();
    const QJsonObject spend = spendValue.toObject();
    const QJsonObject spent = spend.value(QLatin1StringView("used")).toObject();
    const QJsonObject cap = spend.value(QLatin1StringView("limit")).toObject();

    ExtraUsage result;
    QJsonValue enabled = extra.value(QLatin1StringView("is_enabled"));
    if (!enabled.isBool())
        enabled = spend.value(QLatin1StringView("enabled"));
    result.isEnabled = enabled.isBool() && enabled.toBool();
    if (!result.isEnabled) {
        result.disabledReason = text(extra.value(QLatin1StringView("disabled_reason")));
        if (result.disabledReason.isEmpty())
            result.disabledReason = text(spend.value(QLatin1StringView("disabled_reason")));
        result.disabledReason.truncate(MaxLabelLength);
        // Plainly switched off: nothing to tell.
        if (result.disabledReason.isEmpty())
            return std::nullopt;
    }

    const auto spentExponent = decimalPlaces(spent.value(QLatin1StringView("exponent")));
    const auto capExponent = decimalPlaces(cap.value(QLatin1StringView("exponent")));
    result.decimalPlaces = decimalPlaces(extra.value(QLatin1StringView("decimal_places")))
                               .value_or(spentExponent.value_or(capExponent.value_or(2)));
    for (const QString& currency :
         { text(extra.value(QLatin1StringView("currency"))), text(spent.value(QLatin1StringView("currency"))),
           text(cap.value(QLatin1StringView("currency"))) }) {
        if (!currency.isEmpty()) {
            result.currency = currency.left(8);
            break;
        }
    }
    const auto fromSpend = [&](const QJsonObject& money, std::optional<int> exponent) -> std::optional<qint64> {
        const auto amount = integral(money.value(QLatin1StringView("amount_minor")));
        if (!amount)
            return std::nullopt;
        return rescaled(*amount, exponent.value_or(2), result.decimalPlaces);
    };
    auto used = integral(extra.value(QLatin1StringView("used_credits")));
    if (!used)
        used = fromSpend(spent, spentExponent);
    result.usedCreditsCents = used.value_or(0);
    result.monthlyLimitCents = integral(extra.value(QLatin1StringView("monthly_limit")));
    if (!result.monthlyLimitCents)
        result.monthlyLimitCents = fromSpend(cap, capExponent);
    result.utilization = number(extra.value(QLatin1StringView("utilization")))
                             .value_or(number(spend.value(QLatin1StringView("percent"))).value_or(0.0));
    return result;
}

}
