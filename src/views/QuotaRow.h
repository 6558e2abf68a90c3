#pragma once

#include <QList>
#include <QString>

#include "usage/ModelColor.h"
#include "views/QuotaCardSnapshot.h"

// One line of the quota card: a label, a bar filled to pct (0..100) and two figures on the right.
struct QuotaRow
{
    QString label;
    double pct = 0.0;
    NamedColor color = NamedColor::Green;
    QString value;
    QString detail;

    bool operator==(const QuotaRow&) const = default;

    // The rows of a snapshot in display order, with countdowns as of now.
    static QList<QuotaRow> fromSnapshot(const QuotaCardSnapshot& snapshot, Instant now);
};
