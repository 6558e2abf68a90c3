#pragma once

#include <QSslConfiguration>

namespace pacemark {

// The test-only TLS fixture in tests/quota/data: a CA and the certificate it signed for localhost and
// 127.0.0.1, both valid until 2126; the CA's key was thrown away after signing.
namespace TestTls {

// For a LocalHttpServer that speaks TLS with that certificate.
QSslConfiguration serverConfiguration();
// For a client that trusts the test CA (and nothing else).
QSslConfiguration trustingTestCa();

}

}
