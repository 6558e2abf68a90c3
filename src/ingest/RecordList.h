#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "ingest/RecordBatch.h"

namespace pacemark {

// The full list of records, file after file. Files are shared with the parser's cache rather than
// copied, so a refresh with nothing changed costs no record copies however long the history is.
class RecordList
{
public:
    using BatchPtr = std::shared_ptr<const RecordBatch>;

    void append(BatchPtr batch)
    {
        if (batch && !batch->records.empty())
            m_batches.push_back(std::move(batch));
    }
    void append(const RecordList& other)
    {
        m_batches.insert(m_batches.end(), other.m_batches.begin(), other.m_batches.end());
    }

    const std::vector<BatchPtr>& batches() const { return m_batches; }

    std::size_t size() const
    {
        std::size_t n = 0;
        for (const auto& b : m_batches)
            n += b->records.size();
        return n;
    }
    bool empty() const { return m_batches.empty(); }

    template <typename F>
    void forEach(F&& f) const
    {
        for (const auto& b : m_batches)
            for (const auto& r : b->records)
                f(r);
    }

    std::vector<UsageRecord> toVector() const
    {
        std::vector<UsageRecord> out;
        out.reserve(size());
        forEach([&](const UsageRecord& r) { out.push_back(r); });
        return out;
    }

private:
    std::vector<BatchPtr> m_batches;
};

}
