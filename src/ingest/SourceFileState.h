#pragma once

#include <string>
#include <vector>

#include "ingest/FileStamp.h"
#include "ingest/UsageRecord.h"

namespace pacemark {

// What a provider knows of one of its logs, kept between runs of a short-lived process so that the
// next run reads only the logs that changed: the stamp the records were read at, the records, and
// what else the provider needs to go on from there (such as where its read stopped), in its own form.
struct SourceFileState
{
    std::string path;
    FileStamp stamp;
    std::vector<UsageRecord> records;
    std::string extra;
};

}
