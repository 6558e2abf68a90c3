#include "basics/Translation.h"

#include <QCoreApplication>

namespace pacemark {

Translation::Language Translation::resolve(const QString& setting, const QLocale& system)
{
    if (setting == QLatin1StringView("en"))
        return Language::english;
    if (setting == QLatin1StringView("system"))
        return system.language() == QLocale::Korean ? Language::korean : Language::english;
    return Language::korean;
}

Translation& Translation::shared()
{
    static Translation instance;
    return instance;
}

Translation::Translation() = default;

void Translation::show(Language language)
{
    if (language == m_language)
        return;
    m_language = language;
    if (language == Language::english) {
        // Compiled into the binary; a build without it fails, so loading cannot.
        if (m_translator.load(QStringLiteral(":/translations/pacemark_en.qm")))
            QCoreApplication::installTranslator(&m_translator);
    } else {
        QCoreApplication::removeTranslator(&m_translator);
    }
    Q_EMIT changed();
}

QLocale Translation::locale() const
{
    QLocale locale = m_language == Language::english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                     : QLocale(QLocale::Korean, QLocale::SouthKorea);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

}
