#pragma once
#include <string>

// A publish address is rtmp://host/APP/STREAM, and the STREAM field (with any "?key=…" in it) is the
// secret that lets anyone publish in the owner's name. Nothing the program logs or shows may hold it:
// it is written as "****".

extern const char kMaskedStreamKey[];  // "****"

// One address: everything after rtmp://host/app/ becomes "****". An address without a STREAM field
// keeps its text, save a query ("?…") after the APP field, which is masked as well. Any scheme
// beginning with "rtmp" (rtmp, rtmps, rtmpt, …) in any case is understood; other text is returned as
// it is.
//   "rtmp://h/live/stream?key=abc" -> "rtmp://h/live/****"
std::string MaskStreamKey(const std::string& address);

// Every rtmp…:// address in a text, masked as above. An address ends at a blank, a line end, a quote
// (" or ') or the end of the text, and a ':' right before such an end is not part of it (the encoder
// writes "rtmp://h/app/key: I/O error"). Works on UTF-8 and on code page 936 text alike: the bytes the
// ends are found by never stand second in a double-byte character.
std::string MaskStreamKeys(const std::string& text);
