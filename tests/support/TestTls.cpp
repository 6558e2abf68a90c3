#include "TestTls.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include <gtest/gtest.h>

namespace pacemark {

namespace {

QByteArray readData(const char* name)
{
    QFile file(QStringLiteral(PACEMARK_TLS_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

}

namespace TestTls {

QSslConfiguration serverConfiguration()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(readData("server.pem")));
    tls.setPrivateKey(QSslKey(readData("server.key"), QSsl::Ec));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

QSslConfiguration trustingTestCa()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates({ QSslCertificate(readData("test-ca.pem")) });
    return tls;
}

}

}
