#include "quota/LimitNames.h"

#include <array>

namespace {

using Kind = ClaudeQuota::Limit::Kind;

struct Names
{
    Kind kind;
    // %1 is the scope's name of a scoped week, which is never translated.
    const char* name;
    const char* fullName;
    const char* alertName;
};

constexpr std::array<Names, 3> Table { {
    { Kind::session, QT_TRANSLATE_NOOP("LimitNames", "5시간"), QT_TRANSLATE_NOOP("LimitNames", "5시간"),
      QT_TRANSLATE_NOOP("LimitNames", "5시간 한도") },
    { Kind::weekly, QT_TRANSLATE_NOOP("LimitNames", "주간"), QT_TRANSLATE_NOOP("LimitNames", "주간"),
      QT_TRANSLATE_NOOP("LimitNames", "주간 한도") },
    { Kind::weeklyScoped, "%1", QT_TRANSLATE_NOOP("LimitNames", "%1 주간"),
      QT_TRANSLATE_NOOP("LimitNames", "%1 주간 한도") },
} };

QString worded(const ClaudeQuota::Limit& limit, const char* Names::*which)
{
    for (const Names& names : Table) {
        if (names.kind != limit.kind)
            continue;
        const QString text = LimitNames::tr(names.*which);
        return limit.kind == Kind::weeklyScoped ? text.arg(limit.label) : text;
    }
    return limit.label;
}

}

QString LimitNames::name(const ClaudeQuota::Limit& limit)
{
    return limit.kind == Kind::weeklyScoped ? limit.label : worded(limit, &Names::name);
}

QString LimitNames::name(Kind kind)
{
    ClaudeQuota::Limit limit;
    limit.kind = kind;
    return name(limit);
}

QString LimitNames::fullName(const ClaudeQuota::Limit& limit)
{
    return worded(limit, &Names::fullName);
}

QString LimitNames::alertName(const ClaudeQuota::Limit& limit)
{
    return worded(limit, &Names::alertName);
}

QString LimitNames::extraUsageName()
{
    return tr("추가 사용 크레딧");
}
