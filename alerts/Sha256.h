#pragma once
// SHA-256 (FIPS 180-4) and HMAC-SHA256 (RFC 2104), for signing webhook requests. Our own, because the
// program depends on nothing but the standard library and the system's DLLs.
#include <array>
#include <cstdint>
#include <string_view>

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);
Sha256Digest HmacSha256(std::string_view key, std::string_view data);
