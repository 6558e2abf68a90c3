#pragma once

#include <cstdint>

#include <QString>

namespace pacemark {

// The short form of a token count used by every view: 999, 1.2K, 2.5M, 12.3B.
QString formatTokens(std::int64_t count);
// A cost in US dollars as every view shows it: $0.42, $12.30, $1,234; "—" when it is not known.
QString formatUsd(double usd, bool known = true);
// A project's folder as the views show it: the home folder as "~", and when longer than maxChars, the
// middle left out as "…" so both the top folders and the project's own name stay.
QString shortProjectPath(const QString& path, const QString& home, qsizetype maxChars = 32);

}
