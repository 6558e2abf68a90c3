#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <QTranslator>

namespace pacemark {

// The language the texts are shown in. The sources hold the Korean texts, so Korean needs no
// translator; English loads the one compiled into the binary. Every part that keeps text of its own
// listens to `changed` and words it again.
class Translation : public QObject
{
    Q_OBJECT

public:
    enum class Language { korean, english };

    // The setting's values: "ko", "en" or "system"; anything else reads as Korean. The system's
    // language is Korean only when its locale is, English otherwise.
    static Language resolve(const QString& setting, const QLocale& system = QLocale::system());

    // The one of the process; it outlives the application object.
    static Translation& shared();

    // Shows the texts of `language` from now on; does nothing when they are shown already.
    void show(Language language);
    Language language() const { return m_language; }
    // Dates and month names in the shown language; numbers always with "." as the decimal point.
    QLocale locale() const;

Q_SIGNALS:
    // The translator has changed: a text made from now on is in the new language.
    void changed();

private:
    Translation();

    QTranslator m_translator;
    Language m_language = Language::korean;
};

}
