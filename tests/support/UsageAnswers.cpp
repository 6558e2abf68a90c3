#include "UsageAnswers.h"

#include <QFile>
#include <QJsonDocument>

QByteArray UsageAnswers::read(const char* file)
{
    QFile answer(QStringLiteral(PACEMARK_TLS_TEST_DATA "/oauth-usage/") + QString::fromLatin1(file));
    if (!answer.open(QIODevice::ReadOnly))
        qFatal("missing test answer %s", file);
    return answer.readAll();
}

ClaudeQuota UsageAnswers::parse(const char* file)
{
    return ClaudeQuota::fromJson(QJsonDocument::fromJson(read(file)).object());
}
