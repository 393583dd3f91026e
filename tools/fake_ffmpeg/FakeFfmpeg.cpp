// Stand-in for ffmpeg.exe in PushClient's integration tests.
//
// Copied beside PushClient.exe as ffmpeg.exe, it answers the two command lines the
// program uses (the DirectShow device listing and the streaming run) the way each
// test scripts it through fake-ffmpeg.ini in its own folder, and leaves a record of
// every invocation in fake-ffmpeg-calls.txt there. README.md lists the keys and the
// record format.
//
// Win32 and the C runtime only. The narrow strings this program copies around are
// bytes, never text: the command line in the ANSI code page, the listing in UTF-8.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kScriptFileName[] = L"fake-ffmpeg.ini";
constexpr wchar_t kRecordFileName[] = L"fake-ffmpeg-calls.txt";
constexpr wchar_t kStreamCounterFileName[] = L"fake-ffmpeg-streams.txt";

// One name for every copy on the machine: the records are tiny, so serialising
// copies in unrelated folders costs nothing, and a per-folder name would have to
// be derived from a path that may hold characters a kernel object name refuses.
constexpr wchar_t kRecordMutexName[] = L"Local\\fake-ffmpeg-records";

constexpr int kUsageExitCode = 1;
constexpr int kDefaultListExitCode = 1;    // ffmpeg ends "Immediate exit requested" with 1
constexpr int kDefaultStreamExitCode = 1;  // what ffmpeg returns when a publish fails
constexpr int kFailFirstExitCode = 1;

// The listing an ffmpeg before 5.0 prints for a machine without cameras and with
// two microphones, section headers included, after a short banner (kDefaultBanner)
// that names no configuration. u8 keeps it UTF-8 whatever execution character set
// the build uses for plain literals.
constexpr char kDefaultBanner[] =
    u8"ffmpeg version 4.4-fake Copyright (c) 2000-2021 the FFmpeg developers\r\n"
    u8"  built with gcc 10.3.0 (stand-in for integration tests)\r\n";
constexpr char kDefaultListing[] =
    u8"[dshow @ 000001d7c2a3e4c0] DirectShow video devices (some may be both video and audio devices)\r\n"
    u8"[dshow @ 000001d7c2a3e4c0] Could not enumerate video devices (or none found).\r\n"
    u8"[dshow @ 000001d7c2a3e4c0] DirectShow audio devices\r\n"
    u8"[dshow @ 000001d7c2a3e4c0]  \"麦克风 (Realtek Audio)\"\r\n"
    u8"[dshow @ 000001d7c2a3e4c0]     Alternative name \"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{4E0F7A52-1B3C-4D8E-9F60-7A8B9C0D1E2F}\"\r\n"
    u8"[dshow @ 000001d7c2a3e4c0]  \"Line In (USB Audio)\"\r\n"
    u8"[dshow @ 000001d7c2a3e4c0]     Alternative name \"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{8A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}\"\r\n"
    u8"dummy: Immediate exit requested\r\n";

// The banner of list_banner=1: a configuration line says which encoders the build
// has, and whether it speaks TLS (rtmps://). Public builds lack libfdk_aac, whose
// licence forbids handing it out.
constexpr char kBannerHead[] =
    "ffmpeg version 4.4-fake Copyright (c) 2000-2021 the FFmpeg developers\r\n"
    "  built with gcc 10.3.0 (stand-in for integration tests)\r\n"
    "  configuration: --enable-gpl --enable-version3 --enable-libmp3lame --enable-libopus";
constexpr char kBannerTls[] = " --enable-gnutls";
constexpr char kBannerFdkAac[] = " --enable-nonfree --enable-libfdk-aac";
constexpr char kBannerTail[] =
    "\r\n"
    "  libavutil      56. 70.100 / 56. 70.100\r\n"
    "  libavcodec     58.134.100 / 58.134.100\r\n"
    "  libavformat    58. 76.100 / 58. 76.100\r\n"
    "  libavdevice    58. 13.100 / 58. 13.100\r\n";

// The answers to "-hide_banner -h encoder=libfdk_aac", as ffmpeg gives them: the
// description on stdout, the refusal on stderr; exit code 0 either way.
constexpr char kProbePresent[] =
    "Encoder libfdk_aac [Fraunhofer FDK AAC]:\r\n"
    "    General capabilities: delay small \r\n"
    "    Threading capabilities: none\r\n"
    "    Supported sample rates: 96000 88200 64000 48000 44100 32000 24000 22050 16000 12000 11025 8000\r\n"
    "    Supported sample formats: s16\r\n";
constexpr char kProbeAbsent[] = "Codec 'libfdk_aac' is not recognized by FFmpeg.\r\n";
constexpr char kUnknownEncoder[] = "Unknown encoder 'libfdk_aac'\r\n";

constexpr DWORD kProgressIntervalMs = 500;  // ffmpeg's own pace for its progress line
constexpr unsigned long kDefaultKbit = 48;

// What ametadata=mode=print writes for each analysed block: a level meter's branch of
// the graph cuts 48 kHz audio into blocks of 12000 samples, one every 250 ms.
constexpr DWORD kLevelIntervalMs = 250;
constexpr unsigned long long kSamplesPerLevel = 12000;
constexpr char kLevelPrefix[] = "[Parsed_ametadata_3 @ 000001d7c2b5f2c0] ";

// What ffmpeg's DirectShow input repeats when the capture device delivers faster than
// the encoder takes: the warning of stream_chatter_bytes_per_s.
constexpr char kBufferTooFull[] =
    "[dshow @ 000001d7c2b5f2c0] real-time buffer [Line In (USB Audio)] [audio input] too full or near "
    "too full (101% of size: 3041280 [rtbufsize parameter])! frame dropped!\r\n";

// ---------------------------------------------------------------------------
// Handles

// Move-only owner of a kernel handle; Invalid is the value the creating API
// returns on failure (NULL for CreateMutexW, INVALID_HANDLE_VALUE for CreateFileW).
template <HANDLE (*Invalid)()>
class Owned {
public:
    Owned() = default;
    explicit Owned(HANDLE h) : h_(h) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : h_(other.h_) { other.h_ = Invalid(); }
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = other.h_;
            other.h_ = Invalid();
        }
        return *this;
    }
    ~Owned() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != Invalid(); }
    void reset() {
        if (valid()) {
            // Keep the caller's last error: a destructor runs between a failing call
            // and the code that reads it.
            const DWORD saved = GetLastError();
            CloseHandle(h_);
            SetLastError(saved);
        }
        h_ = Invalid();
    }

private:
    HANDLE h_ = Invalid();
};

HANDLE NullHandle() { return nullptr; }
HANDLE InvalidFileHandle() { return INVALID_HANDLE_VALUE; }

using OwnedHandle = Owned<NullHandle>;
using OwnedFile = Owned<InvalidFileHandle>;

// Holds the named mutex for one scope. An owner that was terminated mid-record
// leaves the mutex abandoned; the record file is still usable, so that counts as
// acquired.
class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
        if (mutex_ != nullptr) {
            const DWORD r = WaitForSingleObject(mutex_, INFINITE);
            held_ = (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED);
        }
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() {
        if (held_) ReleaseMutex(mutex_);
    }

private:
    HANDLE mutex_;
    bool held_ = false;
};

// ---------------------------------------------------------------------------
// Small helpers

std::wstring ExeFolder() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return L".\\";
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            const size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? L".\\" : path.substr(0, slash + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string WideToUtf8(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// Paths in the script are normally UTF-8; a test compiled with the ANSI execution
// character set may write them in the ANSI code page instead, so fall back to it.
std::wstring BytesToWide(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    for (UINT cp : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()),
                                          nullptr, 0);
        if (n > 0) {
            std::wstring out(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
            return out;
        }
    }
    return std::wstring();
}

bool ReadWholeFile(const std::wstring& path, std::string* out) {
    OwnedFile f(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) return false;
    out->clear();
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out->append(buf, got);
    return true;
}

// WriteFile straight on the handle, so nothing sits in a C runtime buffer when the
// process is terminated or hangs. Failures (no such handle, reader gone) are ignored
// as ffmpeg ignores them.
void WriteAll(HANDLE h, const char* data, size_t size) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
    while (size > 0) {
        const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD wrote = 0;
        if (!WriteFile(h, data, want, &wrote, nullptr) || wrote == 0) return;
        data += wrote;
        size -= wrote;
    }
}

void WriteAll(HANDLE h, const std::string& s) { WriteAll(h, s.data(), s.size()); }

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    const size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

bool ParseUnsigned(const std::string& text, unsigned long* out) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    *out = static_cast<unsigned long>(v);
    return true;
}

// Exit codes are DWORDs; accept them as unsigned (3221225477) or signed (-1073741819).
bool ParseExitCode(const std::string& text, UINT* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -2147483648LL || v > 0xFFFFFFFFLL) return false;
    *out = static_cast<UINT>(static_cast<uint32_t>(v));
    return true;
}

// \n \r \t \\ in stream_output, so one ini line can stand for several output lines.
std::string DecodeEscapes(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += c; break;
        }
    }
    return out;
}

// ffmpeg prints a peak level with "%f", and digital silence as "-inf".
bool ParseLevel(const std::string& text, std::string* printed) {
    if (text == "-inf") {
        *printed = text;
        return true;
    }
    if (text.empty() || text.find_first_not_of("+-.0123456789") != std::string::npos) return false;
    char* end = nullptr;
    const double dB = std::strtod(text.c_str(), &end);
    if (*end != '\0' || dB > 1000 || dB < -1000) return false;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%f", dB);
    *printed = buf;
    return true;
}

// "<dB>[,<dB>...]"; nothing is kept unless every value is good.
bool ParseLevels(const std::string& text, std::vector<std::string>* levels) {
    std::vector<std::string> parsed;
    size_t pos = 0;
    for (;;) {
        const size_t comma = text.find(',', pos);
        std::string printed;
        if (!ParseLevel(Trim(text.substr(pos, comma - pos)), &printed)) return false;
        parsed.push_back(printed);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    *levels = std::move(parsed);
    return true;
}

// ---------------------------------------------------------------------------
// The script

enum class ListTarget { Stderr, Stdout, Both };
enum class StreamAction { Run, Exit, ExitAfter };

struct Script {
    std::string listFile;              // empty: the built-in listing
    ListTarget listTo = ListTarget::Stderr;
    unsigned long listChunk = 0;       // 0: one write
    unsigned long listDelayMs = 0;     // pause between two chunks
    UINT listExit = kDefaultListExitCode;
    bool listHang = false;
    bool listBanner = false;           // the banner with a configuration line
    bool fdkAac = true;                // the build has libfdk_aac
    bool tls = true;                   // the build speaks TLS

    StreamAction stream = StreamAction::Run;
    UINT streamExitCode = kDefaultStreamExitCode;
    unsigned long streamAfterMs = 0;
    unsigned long streamFailFirst = 0;
    std::string streamOutput;          // escapes decoded; empty: nothing on stdout
    std::string streamError;           // escapes decoded; on stderr before exiting
    bool streamProgress = true;        // progress lines while running, as a real encoder prints them
    unsigned long streamProgressStopMs = 0;  // 0: progress never stops
    std::vector<std::string> streamLevels;   // peak levels as printed, one per 250 ms; the last is held
    unsigned long streamChatterBytesPerS = 0;  // warning lines besides, this many bytes a second

    unsigned long recordSegments = 1;       // segment files a recording run writes
    unsigned long recordSegmentMs = 1000;   // how long each but the last lasts

    std::vector<std::string> warnings; // go into the record, where tests see them
};

void ApplyKey(Script& s, const std::string& key, const std::string& value) {
    auto bad = [&] { s.warnings.push_back("bad value for " + key + ": " + value); };
    bool ok = true;
    unsigned long flag = 0;
    if (key == "list_file") {
        s.listFile = value;
    } else if (key == "list_to") {
        if (value == "stderr") s.listTo = ListTarget::Stderr;
        else if (value == "stdout") s.listTo = ListTarget::Stdout;
        else if (value == "both") s.listTo = ListTarget::Both;
        else ok = false;
    } else if (key == "list_chunk") {
        ok = ParseUnsigned(value, &s.listChunk);
    } else if (key == "list_delay_ms") {
        ok = ParseUnsigned(value, &s.listDelayMs);
    } else if (key == "list_exit") {
        ok = ParseExitCode(value, &s.listExit);
    } else if (key == "list_hang") {
        ok = ParseUnsigned(value, &flag) && flag <= 1;
        if (ok) s.listHang = flag == 1;
    } else if (key == "list_banner") {
        ok = ParseUnsigned(value, &flag) && flag <= 1;
        if (ok) s.listBanner = flag == 1;
    } else if (key == "fdk_aac") {
        ok = ParseUnsigned(value, &flag) && flag <= 1;
        if (ok) s.fdkAac = flag == 1;
    } else if (key == "tls") {
        ok = ParseUnsigned(value, &flag) && flag <= 1;
        if (ok) s.tls = flag == 1;
    } else if (key == "stream") {
        if (value == "run") s.stream = StreamAction::Run;
        else if (value == "exit") s.stream = StreamAction::Exit;
        else if (value == "exit_after") s.stream = StreamAction::ExitAfter;
        else ok = false;
    } else if (key == "stream_exit_code") {
        ok = ParseExitCode(value, &s.streamExitCode);
    } else if (key == "stream_after_ms") {
        ok = ParseUnsigned(value, &s.streamAfterMs);
    } else if (key == "stream_fail_first") {
        ok = ParseUnsigned(value, &s.streamFailFirst);
    } else if (key == "stream_output") {
        s.streamOutput = DecodeEscapes(value);
    } else if (key == "stream_error") {
        s.streamError = DecodeEscapes(value);
    } else if (key == "stream_progress") {
        ok = ParseUnsigned(value, &flag) && flag <= 1;
        if (ok) s.streamProgress = flag == 1;
    } else if (key == "stream_progress_stop_ms") {
        ok = ParseUnsigned(value, &s.streamProgressStopMs);
    } else if (key == "stream_levels") {
        ok = ParseLevels(value, &s.streamLevels);
    } else if (key == "stream_chatter_bytes_per_s") {
        ok = ParseUnsigned(value, &s.streamChatterBytesPerS);
    } else if (key == "record_segments") {
        ok = ParseUnsigned(value, &s.recordSegments) && s.recordSegments >= 1;
        if (!ok) s.recordSegments = 1;
    } else if (key == "record_segment_ms") {
        ok = ParseUnsigned(value, &s.recordSegmentMs) && s.recordSegmentMs >= kProgressIntervalMs;
        if (!ok) s.recordSegmentMs = 1000;
    } else {
        s.warnings.push_back("unknown key " + key);
    }
    if (!ok) bad();
}

// key=value lines; blank lines and lines starting with # or ; are comments.
// A missing file means every default.
Script LoadScript(const std::wstring& path) {
    Script s;
    std::string text;
    if (!ReadWholeFile(path, &text)) return s;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        const std::string line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            s.warnings.push_back("line without '=': " + line);
            continue;
        }
        ApplyKey(s, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return s;
}

// ---------------------------------------------------------------------------
// Which run is asked for

enum class Mode { List, Probe, Stream, Record, Other };

const char* ModeName(Mode m) {
    switch (m) {
    case Mode::List: return "list";
    case Mode::Probe: return "probe";
    case Mode::Stream: return "stream";
    case Mode::Record: return "record";
    default: return "other";
    }
}

struct Call {
    Mode mode = Mode::Other;
    std::string encoder, bitrate, url;  // of a streaming run (url: a recording's output pattern)
    bool filterGraph = false;           // it asks for filters, whose log lines ffmpeg prints
};

// The fixed words must be exactly what PushClient sends; the three values it fills
// in (device, bitrate, address) may be anything, and the tests check them from the
// record. Filter options (-filter_complex, -map, -af, each with its value) may stand
// between any two of the options after the input, and DirectShow's
// -audio_buffer_size before either word pair of the input. Anything else is a
// command line PushClient should never produce.
Call Classify(int argc, char** argv) {
    std::vector<std::string> a;
    for (int i = 1; i < argc; ++i) a.emplace_back(argv[i]);

    Call call;
    const std::vector<std::string> listing = {"-list_devices", "true", "-f", "dshow", "-i", "dummy"};
    const std::vector<std::string> probe = {"-hide_banner", "-h", "encoder=libfdk_aac"};
    if (a == listing) call.mode = Mode::List;
    if (a == probe) call.mode = Mode::Probe;
    if (call.mode != Mode::Other) return call;

    // The recording's 21 words: the same input, AAC in ADTS segments cut at the clock.
    if (a.size() == 21 && a[0] == "-f" && a[1] == "dshow" && a[2] == "-i" && a[3].compare(0, 6, "audio=") == 0 &&
        a[4] == "-c:a" && (a[5] == "libfdk_aac" || a[5] == "aac") && a[6] == "-b:a" && a[8] == "-f" &&
        a[9] == "segment" && a[10] == "-segment_format" && a[11] == "adts" &&
        a[12] == "-segment_format_options" && a[13] == "flush_packets=1" && a[14] == "-segment_time" &&
        a[16] == "-segment_atclocktime" && a[17] == "1" && a[18] == "-reset_timestamps" && a[19] == "1" &&
        a[20].find("%05d") != std::string::npos) {
        call.mode = Mode::Record;
        call.encoder = a[5];
        call.bitrate = a[7];
        call.url = a[20];
        return call;
    }

    // Set the optional pairs aside; what remains are PushClient's twelve words.
    std::vector<std::string> w;
    for (size_t i = 0; i < a.size(); ++i) {
        const size_t n = w.size();  // where the pair would stand among the twelve
        const bool filter = (a[i] == "-filter_complex" || a[i] == "-map" || a[i] == "-af") &&
                            (n == 4 || n == 5 || n == 7 || n == 9);
        const bool buffer = a[i] == "-audio_buffer_size" && (n == 0 || n == 2);
        if ((filter || buffer) && i + 1 < a.size()) {
            call.filterGraph = call.filterGraph || a[i] == "-filter_complex" || a[i] == "-af";
            ++i;
            continue;
        }
        w.push_back(a[i]);
    }
    if (w.size() == 12 && w[0] == "-f" && w[1] == "dshow" && w[2] == "-i" &&
        w[3].compare(0, 6, "audio=") == 0 && w[4] == "-y" && w[5] == "-c:a" &&
        (w[6] == "libfdk_aac" || w[6] == "aac") && w[7] == "-b:a" && w[9] == "-f" &&
        w[10] == "flv" && !w[11].empty()) {
        call.mode = Mode::Stream;
        call.encoder = w[6];
        call.bitrate = w[8];
        call.url = w[11];
    } else {
        call.filterGraph = false;
    }
    return call;
}

// ---------------------------------------------------------------------------
// The record

// Stream launches counted across processes, kept apart from the records so that a
// test may empty the records between phases without restarting the count.
unsigned long StreamLaunches(const std::wstring& folder) {
    std::string text;
    unsigned long count = 0;
    if (ReadWholeFile(folder + kStreamCounterFileName, &text)) ParseUnsigned(Trim(text), &count);
    return count;
}

// A reader may meet the file empty for a moment while it is rewritten; readers poll.
void WriteStreamLaunches(const std::wstring& folder, unsigned long count) {
    OwnedFile f(CreateFileW((folder + kStreamCounterFileName).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.valid()) WriteAll(f.get(), std::to_string(count) + "\n");
}

// Number of records already in the file: lines starting with "call ".
unsigned long CountRecords(const std::string& text) {
    unsigned long n = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text.compare(pos, 5, "call ") == 0) ++n;
        const size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) break;
        pos = eol + 1;
    }
    return n;
}

struct Invocation {
    Mode mode = Mode::Other;
    unsigned long streamLaunch = 0;  // 1-based; 0 unless mode is Stream
};

// Appends this invocation's record and, for a streaming run, takes its launch
// number, all under the named mutex. The file is closed again before returning:
// the record is on disk before the program writes to a pipe that may block or
// sleeps until it is terminated.
Invocation Record(const std::wstring& folder, Mode mode, int argc, char** argv,
                  const std::vector<std::string>& warnings) {
    Invocation inv;
    inv.mode = mode;

    OwnedHandle mutex(CreateMutexW(nullptr, FALSE, kRecordMutexName));
    MutexLock lock(mutex.get());

    const std::wstring path = folder + kRecordFileName;
    OwnedFile f(CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string existing;
    if (f.valid()) {
        char buf[65536];
        DWORD got = 0;
        while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) existing.append(buf, got);
    }

    if (mode == Mode::Stream) inv.streamLaunch = StreamLaunches(folder) + 1;

    std::string r;
    r += "call " + std::to_string(CountRecords(existing) + 1) + " pid " +
         std::to_string(GetCurrentProcessId()) + " mode " + ModeName(mode) + "\n";
    r += "raw " + std::string(GetCommandLineA()) + "\n";
    r += "wraw " + WideToUtf8(GetCommandLineW()) + "\n";
    if (mode == Mode::Stream) r += "launch " + std::to_string(inv.streamLaunch) + "\n";
    r += "argc " + std::to_string(argc) + "\n";
    r += "arg0 " + std::string(argc > 0 ? argv[0] : "") + "\n";
    for (int i = 1; i < argc; ++i) r += "arg " + std::string(argv[i]) + "\n";
    for (const std::string& w : warnings) r += "warning " + w + "\n";
    r += "end\n";

    if (f.valid()) {
        // FILE_APPEND_DATA without FILE_WRITE_DATA already writes at the end; the
        // explicit seek keeps that true on file systems that ignore the distinction.
        LARGE_INTEGER zero = {};
        SetFilePointerEx(f.get(), zero, nullptr, FILE_END);
        WriteAll(f.get(), r);
    }
    // Counted only once the record is written: whoever sees the count go up (and then
    // ends this process) finds the launch's record whole.
    if (mode == Mode::Stream) WriteStreamLaunches(folder, inv.streamLaunch);
    return inv;
}

// ---------------------------------------------------------------------------
// The runs

[[noreturn]] void SleepForever() {
    for (;;) Sleep(INFINITE);
}

int RunListing(const Script& s, const std::string& listing) {
    std::vector<HANDLE> targets;
    if (s.listTo != ListTarget::Stderr) targets.push_back(GetStdHandle(STD_OUTPUT_HANDLE));
    if (s.listTo != ListTarget::Stdout) targets.push_back(GetStdHandle(STD_ERROR_HANDLE));

    const size_t step = s.listChunk == 0 ? listing.size() : s.listChunk;
    bool first = true;
    for (HANDLE h : targets) {
        for (size_t pos = 0; pos < listing.size(); pos += step) {
            if (!first && s.listDelayMs > 0) Sleep(s.listDelayMs);
            first = false;
            WriteAll(h, listing.data() + pos, std::min(step, listing.size() - pos));
        }
    }
    if (s.listHang) SleepForever();
    return static_cast<int>(s.listExit);
}

int RunProbe(const Script& s) {
    if (s.fdkAac) WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), kProbePresent);
    else WriteAll(GetStdHandle(STD_ERROR_HANDLE), kProbeAbsent);
    return 0;
}

std::string TwoDigits(unsigned long long v) {
    return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
}

std::string PadLeft(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// ffmpeg's progress line for an audio-only output, ended by '\r' alone.
std::string ProgressLine(unsigned long long elapsedMs, unsigned long kbit) {
    const unsigned long long seconds = elapsedMs / 1000;
    const std::string time = TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
                             TwoDigits(seconds % 60) + "." + TwoDigits(elapsedMs % 1000 / 10);
    const unsigned long long kB = kbit * elapsedMs / 8000;
    return "size=" + PadLeft(std::to_string(kB), 8) + "kB time=" + time + " bitrate=" +
           PadLeft(std::to_string(kbit) + ".0", 6) + "kbits/s speed=1x    \r";
}

// The two lines ametadata prints for the block-th analysed block: its time, then
// its peak level.
std::string LevelLines(unsigned long long block, const std::vector<std::string>& levels) {
    const std::string pts = std::to_string(block * kSamplesPerLevel);
    char time[32];
    std::snprintf(time, sizeof time, "%.6g", static_cast<double>(block * kLevelIntervalMs) / 1000.0);
    std::string frame = std::to_string(block);
    frame += std::string(frame.size() < 4 ? 4 - frame.size() : 0, ' ');
    const std::string& level = levels[std::min<unsigned long long>(block, levels.size() - 1)];
    return std::string(kLevelPrefix) + "frame:" + frame + " pts:" + pts +
           std::string(pts.size() < 7 ? 7 - pts.size() : 0, ' ') + " pts_time:" + time + "\r\n" +
           kLevelPrefix + "lavfi.astats.Overall.Peak_level=" + level + "\r\n";
}

// Publishes for durationMs (INFINITE: until terminated): every 250 ms the warning
// lines of stream_chatter_bytes_per_s and the level lines, when asked for, and every
// 500 ms a progress line while stream_progress=1; all until stream_progress_stop_ms,
// when set, has passed (a connection that hangs holds up the whole run); then silence.
void Publish(const Script& s, unsigned long kbit, bool levels, DWORD durationMs) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!s.streamProgress && !levels && s.streamChatterBytesPerS == 0) {
        Sleep(durationMs);
        return;
    }
    const ULONGLONG start = GetTickCount64();
    unsigned long long chattered = 0;
    for (unsigned long long tick = 1;; ++tick) {
        const unsigned long long elapsed = tick * kLevelIntervalMs;
        if (durationMs != INFINITE && elapsed > durationMs) break;
        if (s.streamProgressStopMs != 0 && elapsed > s.streamProgressStopMs) break;
        const ULONGLONG now = GetTickCount64() - start;
        if (now < elapsed) Sleep(static_cast<DWORD>(elapsed - now));
        std::string chatter;
        while (chattered + chatter.size() < s.streamChatterBytesPerS * elapsed / 1000) chatter += kBufferTooFull;
        chattered += chatter.size();
        if (!chatter.empty()) WriteAll(err, chatter);
        if (levels) WriteAll(err, LevelLines(tick - 1, s.streamLevels));
        if (s.streamProgress && elapsed % kProgressIntervalMs == 0) WriteAll(err, ProgressLine(elapsed, kbit));
    }
    if (durationMs == INFINITE) SleepForever();
    const ULONGLONG now = GetTickCount64() - start;
    if (now < durationMs) Sleep(static_cast<DWORD>(durationMs - now));
}

int RunStream(const Script& s, const Invocation& inv, const Call& call) {
    const std::string& url = call.url;
    // ffmpeg prints levels only when the command line builds the graph that measures them.
    const bool levels = call.filterGraph && !s.streamLevels.empty();
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const std::string who = "fake-ffmpeg: stream launch " + std::to_string(inv.streamLaunch) +
                            " pid " + std::to_string(GetCurrentProcessId()) + ": ";
    unsigned long kbit = std::strtoul(call.bitrate.c_str(), nullptr, 10);
    if (kbit == 0 || kbit > 100000) kbit = kDefaultKbit;

    // ffmpeg looks its encoders up before it connects anywhere.
    if (call.encoder == "libfdk_aac" && !s.fdkAac) {
        WriteAll(err, who + "built without libfdk_aac (fdk_aac=0)\r\n");
        WriteAll(err, kUnknownEncoder);
        return kFailFirstExitCode;
    }

    if (inv.streamLaunch <= s.streamFailFirst) {
        WriteAll(err, who + "failing at once (stream_fail_first=" +
                          std::to_string(s.streamFailFirst) + ")\r\n");
        WriteAll(err, url + ": Connection refused\r\n");
        return kFailFirstExitCode;
    }

    if (!s.streamOutput.empty()) WriteAll(out, s.streamOutput + "\r\n");
    switch (s.stream) {
    case StreamAction::Run:
        WriteAll(err, who + "publishing to " + url + " until terminated\r\n");
        Publish(s, kbit, levels, INFINITE);
        SleepForever();
    case StreamAction::Exit:
        WriteAll(err, who + "exiting with code " + std::to_string(s.streamExitCode) + "\r\n");
        break;
    case StreamAction::ExitAfter:
        WriteAll(err, who + "exiting with code " + std::to_string(s.streamExitCode) + " after " +
                          std::to_string(s.streamAfterMs) + " ms\r\n");
        Publish(s, kbit, levels, s.streamAfterMs);
        break;
    }
    // After a progress line, ffmpeg starts its message on a fresh line.
    if (!s.streamError.empty()) WriteAll(err, (s.streamProgress ? "\n" : "") + s.streamError + "\r\n");
    return static_cast<int>(s.streamExitCode);
}

// ffmpeg's output pattern for segment index: its number in place of %05d, and %% as %.
std::string SegmentPath(const std::string& pattern, unsigned long index) {
    std::string path;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 4, "%05d") == 0) {
            char number[16];
            std::snprintf(number, sizeof number, "%05lu", index);
            path += number;
            i += 3;
        } else if (pattern.compare(i, 2, "%%") == 0) {
            path += '%';
            ++i;
        } else {
            path += pattern[i];
        }
    }
    return path;
}

// Signalled once 'q' comes on standard input, as ffmpeg reads its keys.
DWORD WINAPI WatchForQuit(void* quit) {
    char buf[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0) {
        if (std::memchr(buf, 'q', got) != nullptr) {
            SetEvent(static_cast<HANDLE>(quit));
            break;
        }
    }
    return 0;
}

// Records: segment files at the pattern (a few bytes of made-up audio per progress line), the next one
// every record_segment_ms until record_segments are there, the last until 'q' on standard input, which
// ends the run with exit code 0. The files are held as ffmpeg holds them: readable, not to be renamed.
int RunRecord(const Script& s, const Call& call) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    unsigned long kbit = std::strtoul(call.bitrate.c_str(), nullptr, 10);
    if (kbit == 0 || kbit > 100000) kbit = kDefaultKbit;
    WriteAll(err, "fake-ffmpeg: record pid " + std::to_string(GetCurrentProcessId()) + ": writing " + call.url + "\r\n");
    OwnedHandle quit(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OwnedHandle watcher(CreateThread(nullptr, 0, WatchForQuit, quit.get(), 0, nullptr));
    OwnedFile segment;
    unsigned long index = 0;
    const auto open = [&] {
        segment = OwnedFile(CreateFileA(SegmentPath(call.url, index).c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    open();
    for (unsigned long long elapsed = kProgressIntervalMs;; elapsed += kProgressIntervalMs) {
        if (WaitForSingleObject(quit.get(), kProgressIntervalMs) == WAIT_OBJECT_0) break;
        if (index + 1 < s.recordSegments && elapsed >= (index + 1) * static_cast<unsigned long long>(s.recordSegmentMs)) {
            ++index;
            open();
        }
        WriteAll(segment.get(), "\xFF\xF1" "fake-adts");
        WriteAll(err, ProgressLine(elapsed, kbit));
    }
    segment.reset();
    WriteAll(err, "\n[q] command received. Exiting.\r\n");
    return 0;
}

int RunOther() {
    WriteAll(GetStdHandle(STD_ERROR_HANDLE),
             "usage: ffmpeg -list_devices true -f dshow -i dummy\r\n"
             "       ffmpeg -hide_banner -h encoder=libfdk_aac\r\n"
             "       ffmpeg -f dshow -i audio=\"<device>\" -y -c:a libfdk_aac|aac -b:a <n>k -f flv <url>\r\n"
             "       ffmpeg -f dshow -i audio=\"<device>\" -c:a libfdk_aac|aac -b:a <n>k -f segment\r\n"
             "              -segment_format adts -segment_format_options flush_packets=1 -segment_time <s>\r\n"
             "              -segment_atclocktime 1 -reset_timestamps 1 <folder>\\rec-<run>_%05d.aac\r\n"
             "       (with -filter_complex, -map or -af pairs anywhere after the input, and\r\n"
             "       -audio_buffer_size <ms> before -f dshow or -i)\r\n"
             "(fake-ffmpeg stand-in: no other command line is understood)\r\n");
    return kUsageExitCode;
}

}  // namespace

int main(int argc, char** argv) {
    const std::wstring folder = ExeFolder();
    Script script = LoadScript(folder + kScriptFileName);
    const Call call = Classify(argc, argv);
    const Mode mode = call.mode;

    // Read the listing before recording, so that a missing list_file shows in the
    // record as well.
    std::string listing;
    bool listingOk = true;
    if (mode == Mode::List) {
        if (script.listBanner) {
            listing = std::string(kBannerHead) + (script.tls ? kBannerTls : "") +
                      (script.fdkAac ? kBannerFdkAac : "") + kBannerTail;
        } else if (script.listFile.empty()) {
            listing = kDefaultBanner;
        }
        if (script.listFile.empty()) {
            listing += kDefaultListing;
        } else {
            std::wstring path = BytesToWide(script.listFile);
            const bool absolute = path.size() >= 2 && (path[1] == L':' || path[0] == L'\\' || path[0] == L'/');
            if (!absolute) path = folder + path;
            std::string file;
            listingOk = ReadWholeFile(path, &file);
            listing += file;
            if (!listingOk) script.warnings.push_back("cannot read list_file " + script.listFile);
        }
    }

    const Invocation inv = Record(folder, mode, argc, argv, script.warnings);

    switch (mode) {
    case Mode::List:
        if (!listingOk) {
            WriteAll(GetStdHandle(STD_ERROR_HANDLE),
                     "fake-ffmpeg: cannot read list_file " + script.listFile + "\r\n");
            return kUsageExitCode;
        }
        return RunListing(script, listing);
    case Mode::Probe:
        return RunProbe(script);
    case Mode::Stream:
        return RunStream(script, inv, call);
    case Mode::Record:
        return RunRecord(script, call);
    default:
        return RunOther();
    }
}
