#pragma once

#include <QLoggingCategory>

namespace pacemark {

// Diagnostics of the usage figures and the history store.
Q_DECLARE_LOGGING_CATEGORY(lcUsage)

}
