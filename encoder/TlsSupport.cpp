#include "encoder/TlsSupport.h"

#include "encoder/EncoderConfiguration.h"

namespace {

const char* const kTlsOptions[] = {"--enable-gnutls",  "--enable-openssl", "--enable-schannel",
                                   "--enable-mbedtls", "--enable-libtls",  "--enable-securetransport"};

}  // namespace

TlsSupport TlsSupportFromEncoderText(const std::string& text) {
  const auto options = ConfigurationOptions(text);
  if (!options) return TlsSupport::Unknown;
  bool autodetected = true;
  for (const std::string& option : *options) {
    for (const char* tls : kTlsOptions) {
      if (option == tls) return TlsSupport::Present;
    }
    if (option == "--disable-autodetect" || option == "--disable-schannel") autodetected = false;
  }
  return autodetected ? TlsSupport::Present : TlsSupport::Absent;
}

bool CanSpeakTls(TlsSupport support) {
  return support != TlsSupport::Absent;
}
