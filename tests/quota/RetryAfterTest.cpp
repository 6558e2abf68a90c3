#include <gtest/gtest.h>

#include "ingest/TimestampParser.h"
#include "quota/RetryAfter.h"

namespace {

struct RetryCase
{
    const char* header;
    std::chrono::seconds wait;
};

void PrintTo(const RetryCase& c, std::ostream* os)
{
    *os << '"' << c.header << '"';
}

class RetryAfterTest : public ::testing::TestWithParam<RetryCase>
{
};

TEST_P(RetryAfterTest, GivesTheInstantOfTheNextAllowedRequest)
{
    const Instant now = *TimestampParser::parse("2026-01-02T15:00:00Z");
    EXPECT_EQ(RetryAfter::retryAt(QByteArray(GetParam().header), now), now + GetParam().wait)
        << GetParam().header;
}

using std::chrono::seconds;

INSTANTIATE_TEST_SUITE_P(Headers, RetryAfterTest,
    ::testing::Values(RetryCase { "", seconds(300) }, RetryCase { "120", seconds(120) },
        RetryCase { " 120 ", seconds(120) }, RetryCase { "0", seconds(0) },
        RetryCase { "3600", seconds(3600) }, RetryCase { "86400", seconds(3600) },
        RetryCase { "99999999999999999999999", seconds(3600) }, RetryCase { "-5", seconds(300) },
        RetryCase { "1.5", seconds(300) }, RetryCase { "soon", seconds(300) },
        RetryCase { "Fri, 02 Jan 2026 15:10:00 GMT", seconds(600) },
        RetryCase { "Fri, 02 Jan 2026 14:00:00 GMT", seconds(0) },
        RetryCase { "Sat, 03 Jan 2026 15:00:00 GMT", seconds(3600) },
        RetryCase { "Fri, 02 Jan 2026 15:10:00 +0000", seconds(300) },
        RetryCase { "2026-01-02T15:10:00Z", seconds(300) }));

}
