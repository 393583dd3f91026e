#include "encoder/TlsSupport.h"

#include "encoder/EncoderConfiguration.h"

namespace {

const char* const kTlsOptions[] = {"--enable-gnutls",  "--enable-openssl", "--enable-schannel",
                                   "--enable-mbedtls", "--enable-libtls",  "--enable-securetransport"};

}  // namespace

TlsSupport TlsSupportFromEncoderText(const std::string& text) {
  const auto options = ConfigurationOptions(text);
  if (!options) return TlsSupport::Unknown;
  for (const std::string& option : *options) {
    for (const char* tls : kTlsOptions) {
      if (option == tls) return TlsSupport::Present;
    }
  }
  return TlsSupport::Absent;
}

bool CanSpeakTls(TlsSupport support) {
  return support != TlsSupport::Absent;
}
