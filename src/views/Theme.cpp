#include "views/Theme.h"

#include <algorithm>
#include <cmath>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>

namespace pacemark {

namespace {

constexpr int namedColorCount = static_cast<int>(NamedColor::Gray) + 1;

}

Theme::Theme(QObject* parent)
    : QObject(parent)
{
    readPalette();
    readFont();
    if (qApp)
        qApp->installEventFilter(this);
}

QVariantList Theme::named() const
{
    QVariantList colors;
    for (int i = 0; i < namedColorCount; ++i)
        colors.append(colorOf(static_cast<NamedColor>(i)));
    return colors;
}

bool Theme::hasTabularDigits(const QString& family)
{
    const QFontMetricsF metrics { QFont(family) };
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (std::abs(metrics.horizontalAdvance(QLatin1Char(digit)) - zero) > 0.01)
            return false;
    return true;
}

bool Theme::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp) {
        if (event->type() == QEvent::ApplicationPaletteChange)
            readPalette();
        else if (event->type() == QEvent::ApplicationFontChange)
            readFont();
    }
    return QObject::eventFilter(watched, event);
}

void Theme::readPalette()
{
    const QPalette palette = QGuiApplication::palette();
    const QColor background = palette.color(QPalette::Window);
    const QColor primary = palette.color(QPalette::WindowText);
    const QColor accent = palette.color(QPalette::Highlight);
    const bool dark = background.lightness() < primary.lightness();
    if (background == m_background && primary == m_primary && accent == m_accent && dark == m_dark)
        return;
    m_background = background;
    m_primary = primary;
    m_accent = accent;
    m_dark = dark;
    Q_EMIT paletteChanged();
}

void Theme::readFont()
{
    const QFont font = QGuiApplication::font();
    const QString family = QFontInfo(font).family();
    // Qt 6.4 cannot switch on the font's tabular figures, so figures fall back to a family whose digits
    // are all one width: the system font itself where that holds, else the fixed-pitch system font.
    const QString digits
        = hasTabularDigits(family) ? family : QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    const double scale = std::clamp(QFontInfo(font).pixelSize() / 13.0, 0.85, 1.6);
    if (family == m_fontFamily && digits == m_digitsFamily && scale == m_fontScale)
        return;
    m_fontFamily = family;
    m_digitsFamily = digits;
    m_fontScale = scale;
    Q_EMIT fontChanged();
}

QColor Theme::withAlpha(double alpha) const
{
    QColor color = m_primary;
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

int Theme::scaled(int size) const
{
    return static_cast<int>(std::lround(size * m_fontScale));
}

}
