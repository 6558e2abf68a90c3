#include "app/AppLog.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcApp, "pacemark.app")

}
