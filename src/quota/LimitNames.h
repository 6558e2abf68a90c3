#pragma once

#include <QCoreApplication>
#include <QString>

#include "quota/ClaudeQuota.h"

namespace pacemark {

// The words for each kind of limit, in one table: the tray, the popover, the settings, the alerts and
// the report name the windows from here, in the language shown.
class LimitNames
{
    Q_DECLARE_TR_FUNCTIONS(LimitNames)

public:
    // "5시간", "주간", or the model's or surface's name.
    static QString name(const ClaudeQuota::Limit& limit);
    // The name of an account-wide limit: "5시간" or "주간".
    static QString name(ClaudeQuota::Limit::Kind kind);
    // "5시간", "주간", "Opus 주간": the name standing alone, as the tray menu lists it.
    static QString fullName(const ClaudeQuota::Limit& limit);
    // "5시간 한도", "주간 한도", "Opus 주간 한도".
    static QString alertName(const ClaudeQuota::Limit& limit);
    // A window of another source by its length: "5시간" and "주간" as Claude's, else "2일", "45분";
    // "한도" when the length is unknown (0).
    static QString windowName(int minutes);
    // "Codex 5시간 한도", "Codex 주간 한도", "Codex 2일 한도".
    static QString alertName(const QString& source, int minutes);
    // The paid credits beyond the limits: "추가 사용 크레딧".
    static QString extraUsageName();
};

}
