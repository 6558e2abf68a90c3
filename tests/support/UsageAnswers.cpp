#include "UsageAnswers.h"

#include <QFile>
#include <QJsonDocument>

#include "quota/LimitNames.h"

namespace pacemark {

QByteArray UsageAnswers::read(const char* file)
{
    QFile answer(QStringLiteral(PACEMARK_TLS_TEST_DATA "/oauth-usage/") + QString::fromLatin1(file));
    if (!answer.open(QIODevice::ReadOnly))
        qFatal("missing test answer %s", file);
    return answer.readAll();
}

QString UsageAnswers::describe(const std::vector<ClaudeQuota::Limit>& limits)
{
    QStringList shown;
    for (const auto& limit : limits) {
        QStringList parts { LimitNames::name(limit), QString::number(limit.percent) };
        if (limit.resetsAt)
            parts << InstantFormat::toIsoUtcMillis(*limit.resetsAt);
        if (!limit.severity.isEmpty())
            parts << limit.severity;
        if (limit.binding)
            parts << QStringLiteral("*");
        shown << parts.join(u' ');
    }
    return shown.join(QStringLiteral(" | "));
}

ClaudeQuota UsageAnswers::parse(const char* file)
{
    return ClaudeQuota::fromJson(QJsonDocument::fromJson(read(file)).object());
}

}
