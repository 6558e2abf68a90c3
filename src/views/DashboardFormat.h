#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "basics/Instant.h"
#include "usage/ModelColor.h"

namespace pacemark {

// The figures, texts, levels and colours of the dashboard, as pure functions of their inputs.
namespace DashboardFormat {

// 0 to 4 lit bars of the activity meter.
int meterLevel(qint64 tokensPerMinute);
// The colour of a lit meter bar at the given level (unlit bars are gray at low opacity).
NamedColor meterColor(int level);

QString rateText(qint64 tokensPerMinute);
QString sessionsText(qint64 sessionCount);
// Today's part of the all-time total, "25.0%", or "0%" before there is any total.
QString todayShareText(qint64 todayTokens, qint64 cumulativeTokens);

// A model's part of today's tokens, 0 to 1 in normal use.
double modelShare(qint64 modelTokens, qint64 todayTokens);
// Width of a model's share bar; never under 2 so that a small model stays visible.
double shareBarWidth(double space, double share);

NamedColor quotaColor(double pct);
// Width of a quota bar's fill for a pct on a 0..100 scale; 0 when not positive.
double quotaFillWidth(double space, double pct);
QString percentText(double pct);

// "2025-03-07" becomes "03/07"; anything not of three parts is kept as it is.
QString dayLabel(const QString& dateString);

// Round axis values from 0 up to at least maxValue, about four steps of 1, 2 or 5 times a power of ten.
QList<double> niceAxisValues(double maxValue);
// The label of an axis value: formatTokens of it, or nothing when it is not a whole number.
QString axisLabel(double value);

}

}
