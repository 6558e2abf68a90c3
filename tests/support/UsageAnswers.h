#pragma once

#include <QByteArray>

#include "quota/ClaudeQuota.h"

namespace pacemark {

// Answers of the usage endpoint that users captured and published, kept byte for byte in
// tests/quota/data/oauth-usage.
namespace UsageAnswers {

inline constexpr const char* LegacySonnet = "2026-03-09-legacy-sonnet-window.json";
inline constexpr const char* Legacy = "2026-04-11-legacy.json";
inline constexpr const char* MinimalLimits = "2026-07-02-trimmed-minimal-limits.json";
inline constexpr const char* ScopedCap = "2026-07-06-scoped-cap-only-in-limits.json";
inline constexpr const char* BindingScopedCap = "2026-08-14-binding-scoped-cap-out-of-credits.json";

QByteArray read(const char* file);
// "Fable 74 2026-08-19T05:59:59.777Z normal *" per limit, joined by " | ": label, percent, reset, severity
// and a star for the binding one.
QString describe(const std::vector<ClaudeQuota::Limit>& limits);
// The snapshot as the client builds it from the answer.
ClaudeQuota parse(const char* file);

}

}
