#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace pacemark {

// Bar widths for the views, so that the rules on them live in one tested place.
class BarMetrics : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit BarMetrics(QObject* parent = nullptr)
        : QObject(parent)
    { }

    Q_INVOKABLE static double shareWidth(double space, double share);
    Q_INVOKABLE static double quotaFillWidth(double space, double pct);
};

}
