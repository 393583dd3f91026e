#pragma once
#include "res/Texts.h"
#include <string>
#include <vector>

// The service's publishing-host suffix. An address without it is accepted with a warning.
extern const char kPublishHostSuffix[];  // ".push.quorvel.com/"

// The log lines of the checks (kMsg… in res/Texts.h) come in the order the checks run.

struct ValidationResult {
  bool ok = false;
  std::string cleanedServer;          // the address without blanks and control bytes (kept even when refused)
  std::vector<std::string> logLines;  // in order; exactly what the activity log is to show
};

// Decides whether the broadcast may start with this address and device. The address is cleaned of
// blanks and control bytes (' ', 0x00..0x1F such as tab, CR, LF and Ctrl+Z, and 0x7F; full-width
// blanks stay), so that the address saved holds none, and must then be at least 12 bytes long, begin with
// "rtmp://" or "rtmps://" (case-sensitive), and hold a host, an APP field and a STREAM field:
//   rtmp://<host>/<app>/<stream>      rtmps://<host>/<app>/<stream>
// where host and APP run to the next '/' and STREAM is everything after the APP's '/' (it may hold more
// '/' or a "?key=..." part); none may be empty. An rtmps:// address is used as typed, like any other,
// but only with an encoder that speaks TLS (encoderSpeaksTls: CanSpeakTls in encoder/TlsSupport.h);
// else it is refused with kMsgRtmpsWithoutTls alone, before its fields are looked at. Without the
// service's suffix the address only earns a warning line. The device must not be empty, and the longest
// streaming command line built from both (libfdk_aac, the highest bitrate, the level meter) must fit
// the system's limit. The first failing check leaves its line and stops.
ValidationResult ValidatePublishSettings(const std::string& server, const std::string& device,
                                         bool encoderSpeaksTls = true);
