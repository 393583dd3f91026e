#pragma once
#include <string>

// Whether the encoder can publish to an rtmps:// address, which needs a TLS library in its build. A
// build without one ends at once with "Protocol not found" and would be relaunched for ever, so the
// address is refused before going live instead. Read from the configuration line of the encoder's
// version banner (EncoderConfiguration.h).

enum class TlsSupport { Present, Absent, Unknown };

// - a configuration line naming a TLS library: --enable-gnutls, --enable-openssl, --enable-schannel,
//   --enable-mbedtls, --enable-libtls or --enable-securetransport: Present;
// - a configuration line naming none: Absent only when it also holds --disable-autodetect or
//   --disable-schannel. Without either, the configure script turns Windows' own TLS (Schannel) on by
//   itself and names no option for it, so such a build is Present;
// - no configuration line (no banner, an empty text, a failed run): Unknown.
TlsSupport TlsSupportFromEncoderText(const std::string& text);

// Whether rtmps:// addresses may be used: unless the encoder said it has no TLS.
bool CanSpeakTls(TlsSupport support);
