#pragma once
#include <optional>
#include <string>
#include <vector>

// Every run of the encoder starts with its version banner (the device listing's included), and the
// banner holds the options its build was configured with:
//   ffmpeg version 4.1 Copyright (c) 2000-2018 the FFmpeg developers
//     built with gcc 8.2.1 (GCC) 20181017
//     configuration: --enable-gpl --enable-gnutls --disable-filter=astats ...
// What the build can do is read from these options.

// The options of the text's configuration lines (a line that begins, after blanks, with
// "configuration:"), split at blanks, each as written; several such lines (a listing and a probe run
// together) give all their options in order. No value when the text holds no configuration line; an
// empty list when it holds one without options.
std::optional<std::vector<std::string>> ConfigurationOptions(const std::string& text);
