#include <gtest/gtest.h>

#include "basics/TimestampParser.h"
#include "quota/RetryAfter.h"

namespace {

TEST(RetryAfterTest, GivesTheInstantOfTheNextAllowedRequest)
{
    const Instant now = *TimestampParser::parse("2026-01-02T15:00:00Z");
    const std::pair<const char*, int> cases[] = { { "", 300 },
                                                  { "120", 120 },
                                                  { " 120 ", 120 },
                                                  { "0", 0 },
                                                  { "3600", 3600 },
                                                  { "86400", 3600 },
                                                  { "99999999999999999999999", 3600 },
                                                  { "-5", 300 },
                                                  { "1.5", 300 },
                                                  { "soon", 300 },
                                                  { "Fri, 02 Jan 2026 15:10:00 GMT", 600 },
                                                  { "Fri, 02 Jan 2026 14:00:00 GMT", 0 },
                                                  { "Sat, 03 Jan 2026 15:00:00 GMT", 3600 },
                                                  { "Fri, 02 Jan 2026 15:10:00 +0000", 300 },
                                                  { "2026-01-02T15:10:00Z", 300 } };
    for (const auto& [header, wait] : cases)
        EXPECT_EQ(RetryAfter::retryAt(QByteArray(header), now), now + std::chrono::seconds(wait)) << header;
}

}
