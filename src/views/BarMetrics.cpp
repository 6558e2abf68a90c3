#include "views/BarMetrics.h"

#include "views/DashboardFormat.h"

namespace pacemark {

double BarMetrics::shareWidth(double space, double share)
{
    return DashboardFormat::shareBarWidth(space, share);
}

double BarMetrics::quotaFillWidth(double space, double pct)
{
    return DashboardFormat::quotaFillWidth(space, pct);
}

}
