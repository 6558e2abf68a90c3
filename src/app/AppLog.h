#pragma once

#include <QLoggingCategory>

namespace pacemark {

// Diagnostics of the application's own services: launch at login, the windows, the update check.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

}
