#include "BridgeRules.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace bridge {

namespace {

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    const std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDrive(const std::string& path) {
    const char c = path.size() >= 2 && path[1] == ':' ? path[0] : '\0';
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsShare(const std::string& path) { return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]); }

}  // namespace

// ffmpeg reads options in pairs; the streaming run needs a dshow input named
// "audio=..." and an output, which is the last argument. Options the bridge does not
// act on (-y, the output -f) are accepted and left to the Linux ffmpeg's own choices;
// filter options are kept, since what the encoder prints depends on them.
Request ClassifyArguments(const std::vector<std::string>& args) {
    Request r;
    bool listDevices = false;
    bool dshow = false;
    bool haveAudio = false;
    std::string outputFormat;  // the last -f after the input
    // Options that take no value; every other "-x" consumes the next argument.
    auto isFlag = [](const std::string& a) { return a == "-y" || a == "-n" || a == "-re" || a == "-hide_banner"; };

    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') break;  // the output
        if (isFlag(a)) continue;
        if (i + 1 >= args.size()) return Request();
        const std::string& v = args[++i];
        if (a == "-list_devices") {
            listDevices = v == "true" || v == "1";
        } else if (a == "-f") {
            if (v == "dshow") dshow = true;
            if (haveAudio) outputFormat = v;
        } else if (a == "-i") {
            if (StartsWith(v, "audio=")) {
                r.device = v.substr(6);
                haveAudio = true;
            }
        } else if (a == "-c:a" || a == "-acodec" || a == "-codec:a") {
            r.codec = v;
        } else if (a == "-b:a" || a == "-ab") {
            r.bitrate = v;
        } else if (a == "-filter_complex" || a == "-map" || a == "-af") {
            r.filters.push_back(a);
            r.filters.push_back(v);
        } else if (a == "-audio_buffer_size") {
            r.audioBufferSize = v;
        } else if (StartsWith(a, "-segment_") || a == "-reset_timestamps") {
            r.segmentOptions.push_back(a);
            r.segmentOptions.push_back(v);
        }
    }

    if (listDevices && dshow && i == args.size()) {
        r.mode = Mode::List;
        return r;
    }
    if (dshow && haveAudio && i + 1 == args.size() && !args[i].empty()) {
        r.url = args[i];
        r.mode = outputFormat == "segment" ? Mode::Record : Mode::Stream;
        return r;
    }
    return Request();
}

bool LinuxPathOf(const std::string& windowsPath, const std::string& currentFolder, const RootOf& rootOf,
                 std::string* linuxPath) {
    std::string path = windowsPath;
    if (StartsWith(path, "\\\\?\\")) {
        path.erase(0, 4);
        if (Lower(path.substr(0, 4)) == "unc\\") path.replace(0, 3, "\\");
    }
    // Anything that is not a full path is taken from the current folder, which is one (or fails alone).
    std::string rest;
    std::string device;
    if (IsShare(path)) {
        if (path.size() > 2 && (path[2] == '.' || path[2] == '?')) return false;  // devices, not files
        device = "unc";
        rest = path.substr(2);
    } else if (IsDrive(path) && path.size() > 2 && IsSeparator(path[2])) {
        device = Lower(path.substr(0, 2));
        rest = path.substr(2);
    } else if (IsDrive(path)) {
        // "X:name": this process knows the current folder of its own drive only; any other drive's is
        // its root, as for a process that never changed folder there.
        const bool sameDrive = IsDrive(currentFolder) && Lower(currentFolder.substr(0, 2)) == Lower(path.substr(0, 2));
        return LinuxPathOf((sameDrive ? currentFolder : path.substr(0, 2)) + "\\" + path.substr(2), "", rootOf,
                           linuxPath);
    } else if (!path.empty() && IsSeparator(path[0])) {
        if (!IsDrive(currentFolder)) return false;
        return LinuxPathOf(currentFolder.substr(0, 2) + path, "", rootOf, linuxPath);
    } else {
        if (currentFolder.empty() || path.empty()) return false;
        return LinuxPathOf(currentFolder + "\\" + path, "", rootOf, linuxPath);
    }

    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t end = pos;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string name = rest.substr(pos, end - pos);
        if (name == "..") {
            // A share's server and name are its root, which ".." does not leave; a drive's root neither.
            if (names.size() > (device == "unc" ? 2u : 0u)) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        pos = end + 1;
    }
    if (device == "unc" && names.size() < 2) return false;  // "\\server" alone names no share

    std::string root;
    if (!rootOf(device, &root) || root.empty()) return false;
    std::string out;
    for (char c : root) out += c == '%' ? std::string("%%") : std::string(1, c);
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    for (const std::string& name : names) {
        if (out.empty() || out.back() != '/') out += '/';
        out += name;
    }
    *linuxPath = out;
    return true;
}

std::string HexEncode(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0x0F];
    }
    return out;
}

std::string RequestLine(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string line;
    for (const auto& f : fields) {
        if (!line.empty()) line += ' ';
        line += f.first + "=" + HexEncode(f.second);
    }
    return line + "\n";
}

void FrameReader::Feed(const char* data, std::size_t size) {
    // Drop what was already taken before growing, so a long stream stays small.
    if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    buffer_.append(data, size);
}

bool FrameReader::Next(Frame* frame) {
    if (corrupt_ || buffer_.size() - pos_ < 5) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer_.data() + pos_);
    const std::size_t length = (static_cast<std::size_t>(p[1]) << 24) | (static_cast<std::size_t>(p[2]) << 16) |
                               (static_cast<std::size_t>(p[3]) << 8) | static_cast<std::size_t>(p[4]);
    if (length > kMaxPayload) {
        corrupt_ = true;
        return false;
    }
    if (buffer_.size() - pos_ - 5 < length) return false;
    frame->kind = static_cast<char>(p[0]);
    frame->payload.assign(buffer_, pos_ + 5, length);
    pos_ += 5 + length;
    return true;
}

bool ParseExitCode(const std::string& text, int* code) {
    if (text.empty()) return false;
    const std::size_t digits = text[0] == '-' ? 1 : 0;
    if (digits == text.size()) return false;
    for (std::size_t i = digits; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || v < INT_MIN || v > INT_MAX) return false;
    *code = static_cast<int>(v);
    return true;
}

std::map<std::string, std::string> ParseIni(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::size_t pos = StartsWith(text, "\xEF\xBB\xBF") ? 3 : 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        const std::string line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, eq));
        if (!key.empty()) keys[key] = Trim(line.substr(eq + 1));
    }
    return keys;
}

ListingFormat ChooseListingFormat(const std::string* environmentValue, const std::string* iniValue) {
    for (const std::string* v : {environmentValue, iniValue}) {
        if (v == nullptr) continue;
        const std::string word = Lower(Trim(*v));
        if (word == "new") return ListingFormat::New;
        if (word == "old") return ListingFormat::Old;
    }
    return ListingFormat::Old;
}

}  // namespace bridge
