#pragma once

#include <optional>

#include <QString>

#include "app/UpdateFeed.h"

namespace pacemark {

// How one update check went, as the updater reports it and the dialog tells it.
struct UpdateCheckResult
{
    enum class Outcome {
        upToDate,
        updateAvailable,
        failed,
    };

    Outcome outcome = Outcome::failed;
    QString currentVersion;
    // The newest release of the feed, for upToDate and updateAvailable.
    std::optional<UpdateFeed::Item> release;
    // Why the check failed.
    QString error;
};

}
