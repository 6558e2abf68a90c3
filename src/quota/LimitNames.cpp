#include "quota/LimitNames.h"

#include <array>

namespace pacemark {

namespace {

using Kind = ClaudeQuota::Limit::Kind;

struct Names
{
    Kind kind;
    // The window's length, by which other sources' windows of the same length take the same names.
    int minutes;
    // %1 is the scope's name of a scoped week, which is never translated.
    const char* name;
    const char* fullName;
    const char* alertName;
    // %1 is another source's name ("Codex"), which is never translated.
    const char* sourceAlertName;
};

constexpr int Hour = 60;
constexpr int Day = 24 * Hour;
constexpr int Week = 7 * Day;

constexpr std::array<Names, 3> Table { {
    { Kind::session, 5 * Hour, QT_TRANSLATE_NOOP("LimitNames", "5시간"), QT_TRANSLATE_NOOP("LimitNames", "5시간"),
      QT_TRANSLATE_NOOP("LimitNames", "5시간 한도"), QT_TRANSLATE_NOOP("LimitNames", "%1 5시간 한도") },
    { Kind::weekly, Week, QT_TRANSLATE_NOOP("LimitNames", "주간"), QT_TRANSLATE_NOOP("LimitNames", "주간"),
      QT_TRANSLATE_NOOP("LimitNames", "주간 한도"), QT_TRANSLATE_NOOP("LimitNames", "%1 주간 한도") },
    { Kind::weeklyScoped, 0, "%1", QT_TRANSLATE_NOOP("LimitNames", "%1 주간"),
      QT_TRANSLATE_NOOP("LimitNames", "%1 주간 한도"), nullptr },
} };

const Names* namesOf(int minutes)
{
    for (const Names& names : Table)
        if (names.kind != Kind::weeklyScoped && names.minutes == minutes)
            return &names;
    return nullptr;
}

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

QString LimitNames::windowName(int minutes)
{
    if (const Names* names = namesOf(minutes))
        return tr(names->name);
    if (minutes <= 0)
        return tr("한도");
    if (minutes % Week == 0)
        return tr("%n주", nullptr, minutes / Week);
    if (minutes % Day == 0)
        return tr("%n일", nullptr, minutes / Day);
    if (minutes % Hour == 0)
        return tr("%n시간", nullptr, minutes / Hour);
    return tr("%n분", nullptr, minutes);
}

QString LimitNames::alertName(const QString& source, int minutes)
{
    if (const Names* names = namesOf(minutes))
        return tr(names->sourceAlertName).arg(source);
    if (minutes <= 0)
        return tr("%1 한도").arg(source);
    return tr("%1 %2 한도").arg(source, windowName(minutes));
}

QString LimitNames::extraUsageName()
{
    return tr("추가 사용 크레딧");
}

}
