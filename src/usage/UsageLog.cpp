#include "usage/UsageLog.h"

Q_LOGGING_CATEGORY(lcUsage, "pacemark.usage")
