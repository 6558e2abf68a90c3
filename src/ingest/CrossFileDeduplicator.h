#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ingest/RecordList.h"

namespace pacemark {

// Counts once the records that several logs hold copies of. A resumed or forked session starts a
// new log with a copy of the earlier conversation, and a log may be copied to a second folder; the
// copies keep both the message id and the request id. Among the records of different files that
// share both ids, the one kept is an assistant line's rather than a progress line's relay of a
// sub-agent's message, then the one with the earliest timestamp, then the larger total, then the path
// that sorts first byte by byte. Records without a request id are never merged: relays in front of
// the API reuse one message id for different requests and send no request id. Only a progress
// line's relay without one gives way to an assistant line without one that has its message id.
//
// It works on the batches the parser's cache already holds, without reading any file. A file whose
// records all count keeps its batch as it is.
class CrossFileDeduplicator
{
public:
    // For each file (paths and batches in the same order; a null batch is a file with no records),
    // the batch of its records that count. Unchanged input gives the previous answer at once.
    std::vector<RecordList::BatchPtr> resolve(const std::vector<std::string>& paths,
                                              const std::vector<RecordList::BatchPtr>& batches);

private:
    struct Filtered
    {
        RecordList::BatchPtr input;
        std::vector<std::uint32_t> dropped; // indices into input, ascending
        RecordList::BatchPtr kept;
    };

    std::vector<std::string> m_lastPaths;
    std::vector<RecordList::BatchPtr> m_lastBatches;
    std::vector<RecordList::BatchPtr> m_lastResult;
    // Filtered batches by path, so a file whose copies did not move is not filtered again.
    std::unordered_map<std::string, Filtered> m_filtered;
};

}
