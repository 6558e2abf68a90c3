#pragma once

#include <cstdint>

#include <QString>

// The short form of a token count used by every view: 999, 1.2K, 2.5M, 12.3B.
QString formatTokens(std::int64_t count);
