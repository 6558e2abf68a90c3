#pragma once

#include <cstdint>
#include <vector>

#include "ingest/UsageRecord.h"

namespace pacemark {

// The de-duplicated records of one log file, with what a refresh needs to skip the file quickly:
// its four-kind total and the range of its timestamps.
struct RecordBatch
{
    std::vector<UsageRecord> records;
    std::int64_t totalTokens = 0;
    Instant earliest = Instant::max();
    Instant latest = Instant::min();

    explicit RecordBatch(std::vector<UsageRecord> list)
        : records(std::move(list))
    {
        records.shrink_to_fit();
        for (const auto& r : records) {
            TokenMath::accumulate(totalTokens, r.totalTokens());
            earliest = std::min(earliest, r.timestamp);
            latest = std::max(latest, r.timestamp);
        }
    }
};

}
