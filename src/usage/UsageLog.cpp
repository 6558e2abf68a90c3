#include "usage/UsageLog.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcUsage, "pacemark.usage")

}
