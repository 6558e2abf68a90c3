#pragma once

#include <QColor>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "usage/ModelColor.h"

namespace pacemark {

// Colours and text styles of the popover, following the application palette (light or dark) and the
// system font. Named colours come from the palette shared with modelColor.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool dark READ isDark NOTIFY paletteChanged)
    Q_PROPERTY(QColor background READ background NOTIFY paletteChanged)
    Q_PROPERTY(QColor primary READ primary NOTIFY paletteChanged)
    Q_PROPERTY(QColor secondary READ secondary NOTIFY paletteChanged)
    Q_PROPERTY(QColor tertiary READ tertiary NOTIFY paletteChanged)
    Q_PROPERTY(QColor quaternary READ quaternary NOTIFY paletteChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY paletteChanged)
    Q_PROPERTY(QColor accent READ accent NOTIFY paletteChanged)
    Q_PROPERTY(QColor purple READ purple NOTIFY paletteChanged)
    Q_PROPERTY(QColor blue READ blue NOTIFY paletteChanged)
    Q_PROPERTY(QColor green READ green NOTIFY paletteChanged)
    Q_PROPERTY(QColor indigo READ indigo NOTIFY paletteChanged)
    Q_PROPERTY(QColor teal READ teal NOTIFY paletteChanged)
    Q_PROPERTY(QColor orange READ orange NOTIFY paletteChanged)
    Q_PROPERTY(QColor red READ red NOTIFY paletteChanged)
    Q_PROPERTY(QColor yellow READ yellow NOTIFY paletteChanged)
    Q_PROPERTY(QColor pink READ pink NOTIFY paletteChanged)
    Q_PROPERTY(QColor gray READ gray NOTIFY paletteChanged)
    // Indexed by NamedColor, for colours chosen by the view models.
    Q_PROPERTY(QVariantList named READ named NOTIFY paletteChanged)
    Q_PROPERTY(QString fontFamily READ fontFamily NOTIFY fontChanged)
    Q_PROPERTY(QString digitsFamily READ digitsFamily NOTIFY fontChanged)
    Q_PROPERTY(int callout READ callout NOTIFY fontChanged)
    Q_PROPERTY(int caption READ caption NOTIFY fontChanged)
    Q_PROPERTY(int caption2 READ caption2 NOTIFY fontChanged)
    Q_PROPERTY(int small READ small NOTIFY fontChanged)

public:
    explicit Theme(QObject* parent = nullptr);

    bool isDark() const { return m_dark; }
    QColor background() const { return m_background; }
    QColor primary() const { return m_primary; }
    QColor secondary() const { return withAlpha(m_dark ? 0.55 : 0.5); }
    QColor tertiary() const { return withAlpha(m_dark ? 0.35 : 0.32); }
    QColor quaternary() const { return withAlpha(m_dark ? 0.2 : 0.18); }
    QColor separator() const { return withAlpha(m_dark ? 0.16 : 0.12); }
    QColor accent() const { return m_accent; }
    QVariantList named() const;
    QColor purple() const { return colorOf(NamedColor::Purple); }
    QColor blue() const { return colorOf(NamedColor::Blue); }
    QColor green() const { return colorOf(NamedColor::Green); }
    QColor indigo() const { return colorOf(NamedColor::Indigo); }
    QColor teal() const { return colorOf(NamedColor::Teal); }
    QColor orange() const { return colorOf(NamedColor::Orange); }
    QColor red() const { return colorOf(NamedColor::Red); }
    QColor yellow() const { return colorOf(NamedColor::Yellow); }
    QColor pink() const { return colorOf(NamedColor::Pink); }
    QColor gray() const { return colorOf(NamedColor::Gray); }

    QString fontFamily() const { return m_fontFamily; }
    QString digitsFamily() const { return m_digitsFamily; }
    // Pixel sizes of the text styles: callout 12, caption 10, caption 2 and the small labels 9, scaled
    // by the system font's size against a 13-pixel body text.
    int callout() const { return scaled(12); }
    int caption() const { return scaled(10); }
    int caption2() const { return scaled(9); }
    int small() const { return scaled(9); }

    // Whether the font draws every digit with the same advance, so figures do not jitter as they change.
    static bool hasTabularDigits(const QString& family);

Q_SIGNALS:
    void paletteChanged();
    void fontChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readPalette();
    void readFont();
    QColor withAlpha(double alpha) const;
    QColor colorOf(NamedColor color) const { return QColor::fromRgb(namedColorRgb(color, m_dark)); }
    int scaled(int size) const;

    bool m_dark = false;
    QColor m_background;
    QColor m_primary;
    QColor m_accent;
    QString m_fontFamily;
    QString m_digitsFamily;
    double m_fontScale = 1.0;
};

}
