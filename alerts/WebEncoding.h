#pragma once
// The encodings a webhook request is written in. All work on bytes: UTF-8 text passes through Base64
// and JSON as it is, and is percent-encoded byte by byte.
#include <string>
#include <string_view>

// RFC 4648 Base64 with '=' padding.
std::string Base64Encode(std::string_view bytes);

// Percent-encoding of every byte but RFC 3986's unreserved characters (A–Z a–z 0–9 - . _ ~), upper-case
// hex. Fit for a query value and for a form field (application/x-www-form-urlencoded takes %20 for a
// blank as well as '+').
std::string UrlEncode(std::string_view bytes);

// A JSON string literal, quotes included: '"' and '\' escaped, control characters (below 0x20, and
// 0x7F) as \uXXXX, every other byte (UTF-8 included) as it is.
std::string JsonString(std::string_view utf8);
