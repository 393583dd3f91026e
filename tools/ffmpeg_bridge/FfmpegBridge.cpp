// ffmpeg_bridge: an ffmpeg.exe for PushClient under Wine that does the real work
// with the Linux machine's own ffmpeg.
//
// Copied beside PushClient.exe as ffmpeg.exe, with ffmpeg-bridge-helper.py beside
// it. PushClient must be able to wait on and terminate its encoder, which Wine
// allows only for PE processes, and a Linux program started from a PE can neither
// be waited on nor write into the PE's pipes. So this PE stays the process
// PushClient sees: it listens on a loopback port, starts the Python helper, hands
// it the request over that connection and copies what comes back (ffmpeg's output,
// then its exit code) to its own stdout and stderr. The connection is also the
// helper's lifeline: when this process is terminated the socket closes and the
// helper stops ffmpeg. README.md has the protocol and the settings.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BridgeRules.h"

namespace {

constexpr wchar_t kHelperFileName[] = L"ffmpeg-bridge-helper.py";
constexpr wchar_t kSettingsFileName[] = L"ffmpeg-bridge.ini";
constexpr wchar_t kListingVariable[] = L"PUSHCLIENT_BRIDGE_LISTING";
constexpr char kDefaultPython[] = "/usr/bin/python3";
constexpr char kDefaultFfmpeg[] = "/usr/bin/ffmpeg";
constexpr char kProtocol[] = "BRIDGE1";

constexpr int kFailureExitCode = 1;     // ffmpeg's own code for "could not run"
constexpr DWORD kConnectTimeoutMs = 15000;  // python's start-up under load, with margin
constexpr DWORD kHelloTimeoutMs = 5000;

// Runs the helper file whose Linux path arrives hex-encoded as the first argument,
// so that no folder name (blanks, quotes, Chinese) ever meets a command-line
// splitter. Quoted, and without double quotes inside, it stays one argument.
constexpr wchar_t kBootstrap[] =
    L"\"import sys, os, runpy; sys.argv = sys.argv[1:]; "
    L"runpy.run_path(os.fsdecode(bytes.fromhex(sys.argv[0])), run_name='__main__')\"";

// ---------------------------------------------------------------------------
// Small helpers

class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(SOCKET s) : s_(s) {}
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    ~UniqueSocket() { reset(); }
    SOCKET get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET; }
    SOCKET release() {
        const SOCKET s = s_;
        s_ = INVALID_SOCKET;
        return s;
    }
    void reset(SOCKET s = INVALID_SOCKET) {
        if (valid()) closesocket(s_);
        s_ = s;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
};

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

// WriteFile straight on the handle: nothing may wait in a C runtime buffer when
// PushClient terminates this process. A missing handle or a closed reader is
// ignored, as ffmpeg ignores it.
void WriteAll(HANDLE h, const char* data, size_t size) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
    while (size > 0) {
        DWORD wrote = 0;
        const DWORD want = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        if (!WriteFile(h, data, want, &wrote, nullptr) || wrote == 0) return;
        data += wrote;
        size -= wrote;
    }
}

void Complain(const std::string& text) {
    const std::string line = "ffmpeg-bridge: " + text + "\r\n";
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), line.data(), line.size());
}

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

std::string ReadSmallFile(const std::wstring& path) {
    std::string out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    char buf[4096];
    DWORD got = 0;
    while (out.size() < 65536 && ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(f);
    return out;
}

bool GetEnvironment(const wchar_t* name, std::string* value) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return false;
    std::wstring buf(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, &buf[0], n);
    buf.resize(got < n ? got : 0);
    *value = WideToUtf8(buf);
    return true;
}

// Wine's own path conversions; absent on Windows, where this program has nothing to do.
using ToUnixFn = char*(CDECL*)(LPCWSTR);
using ToDosFn = WCHAR*(CDECL*)(LPCSTR);

template <typename Fn>
Fn WineExport(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

bool UnixPathOf(const std::wstring& dosPath, std::string* unixPath) {
    const auto toUnix = WineExport<ToUnixFn>("wine_get_unix_file_name");
    if (toUnix == nullptr) return false;
    char* p = toUnix(dosPath.c_str());
    if (p == nullptr) return false;
    *unixPath = p;
    HeapFree(GetProcessHeap(), 0, p);
    return true;
}

bool DosPathOf(const std::string& unixPath, std::wstring* dosPath) {
    const auto toDos = WineExport<ToDosFn>("wine_get_dos_file_name");
    if (toDos == nullptr) return false;
    WCHAR* p = toDos(unixPath.c_str());
    if (p == nullptr) return false;
    *dosPath = p;
    HeapFree(GetProcessHeap(), 0, p);
    return true;
}

// Wine's drives and shares, as LinuxPathOf asks for them: a drive's root from Wine itself (Z: is "/", the
// others their dosdevices link), the shares' folder in the prefix's dosdevices.
bool WineRoot(const std::string& device, std::string* root) {
    if (device == "unc") {
        std::string prefix;
        if (!GetEnvironment(L"WINEPREFIX", &prefix) || prefix.empty()) {
            std::string home;
            if (!GetEnvironment(L"HOME", &home) || home.empty()) return false;
            prefix = home + "/.wine";
        }
        *root = prefix + "/dosdevices/unc";
        return true;
    }
    return UnixPathOf(Utf8ToWide(device) + L"\\", root);
}

std::string CurrentFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return std::string();
    std::wstring buf(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, &buf[0]);
    buf.resize(got < n ? got : 0);
    return WideToUtf8(buf);
}

// Guards the port against anything else on the machine that happens to connect.
std::string MakeToken() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    uint64_t x = static_cast<uint64_t>(t.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                 reinterpret_cast<uintptr_t>(&t);
    std::string token;
    for (int i = 0; i < 2; ++i) {
        // splitmix64: spreads the few varying bits over the whole token.
        x += 0x9E3779B97F4A7C15ull;
        uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (int b = 0; b < 8; ++b) token += static_cast<char>(z >> (8 * b));
    }
    return bridge::HexEncode(token);
}

// ---------------------------------------------------------------------------
// The helper and its connection

// Listens on 127.0.0.1 only, on a port the system picks.
bool Listen(UniqueSocket* listener, unsigned short* port) {
    listener->reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener->valid()) return false;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(listener->get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
    if (listen(listener->get(), 4) != 0) return false;
    int len = sizeof addr;
    if (getsockname(listener->get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return false;
    *port = ntohs(addr.sin_port);
    return true;
}

bool WaitReadable(SOCKET s, DWORD timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = static_cast<long>(timeoutMs / 1000);
    tv.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
    return select(0, &set, nullptr, nullptr, &tv) == 1;
}

// Starts python3 on the helper. Wine runs Linux programs from their DOS path; it
// gives back no process handle we could use, so nothing is kept of the start.
bool StartHelper(const std::string& python, const std::string& helperUnixPath, unsigned short port,
                 const std::string& token) {
    std::wstring program;
    if (!DosPathOf(python, &program)) return false;
    std::wstring cmd = L"python3 -I -c " + std::wstring(kBootstrap) + L" " +
                       Utf8ToWide(bridge::HexEncode(helperUnixPath)) + L" " + std::to_wstring(port) + L" " +
                       Utf8ToWide(token);
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(L'\0');

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), buf.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
        return false;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

// Reads bytes up to and including '\n', within the deadline.
bool ReadLine(SOCKET s, DWORD timeoutMs, std::string* line) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    line->clear();
    while (line->empty() || line->back() != '\n') {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline || line->size() > 256) return false;
        if (!WaitReadable(s, static_cast<DWORD>(deadline - now))) return false;
        char c;
        if (recv(s, &c, 1, 0) != 1) return false;
        *line += c;
    }
    return true;
}

// Takes the helper's connection, turning away anything that does not know the token.
bool AcceptHelper(SOCKET listener, const std::string& token, UniqueSocket* link) {
    const std::string expected = std::string(kProtocol) + " " + token + "\n";
    const ULONGLONG deadline = GetTickCount64() + kConnectTimeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline || !WaitReadable(listener, static_cast<DWORD>(deadline - now))) return false;
        sockaddr_in peer = {};
        int len = sizeof peer;
        UniqueSocket s(accept(listener, reinterpret_cast<sockaddr*>(&peer), &len));
        if (!s.valid()) continue;
        std::string hello;
        if (peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK) && ReadLine(s.get(), kHelloTimeoutMs, &hello) &&
            hello == expected) {
            link->reset(s.release());
            return true;
        }
    }
}

bool SendAll(SOCKET s, const std::string& data) {
    size_t pos = 0;
    while (pos < data.size()) {
        const int n = send(s, data.data() + pos, static_cast<int>(data.size() - pos), 0);
        if (n <= 0) return false;
        pos += static_cast<size_t>(n);
    }
    return true;
}

// A recording ends with "q" on ffmpeg's standard input: ours goes on to the helper, which gives it to the
// Linux ffmpeg. Runs until our input ends or breaks; the process's exit ends it otherwise.
DWORD WINAPI ForwardInput(void* linkSocket) {
    const SOCKET link = reinterpret_cast<SOCKET>(linkSocket);
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return 0;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0)
        if (!SendAll(link, std::string(buf, got))) break;
    return 0;
}

// Copies the helper's frames to our stdout/stderr until it closes the connection;
// the result is ffmpeg's exit code, or 1 when the helper ended without one.
int Relay(SOCKET link) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    bridge::FrameReader reader;
    bridge::Frame frame;
    int exitCode = kFailureExitCode;
    char buf[65536];
    for (;;) {
        const int n = recv(link, buf, sizeof buf, 0);
        if (n <= 0) break;
        reader.Feed(buf, static_cast<size_t>(n));
        while (reader.Next(&frame)) {
            if (frame.kind == '1') WriteAll(out, frame.payload.data(), frame.payload.size());
            else if (frame.kind == '2') WriteAll(err, frame.payload.data(), frame.payload.size());
            else if (frame.kind == 'x') bridge::ParseExitCode(frame.payload, &exitCode);
        }
        if (reader.Corrupt()) {
            Complain("the helper's stream is garbled");
            return kFailureExitCode;
        }
    }
    return exitCode;
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return args;
    for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    LocalFree(argv);
    return args;
}

int Usage() {
    Complain("understands only\r\n"
             "  ffmpeg -list_devices true -f dshow -i dummy\r\n"
             "  ffmpeg [-audio_buffer_size <ms>] -f dshow -i audio=\"<device>\" [-filter_complex <graph>]\r\n"
             "         [-map <label>] [-af <graph>] [-y] [-c:a <codec>] [-b:a <rate>] [-f flv] <url>\r\n"
             "  ffmpeg -f dshow -i audio=\"<device>\" [-c:a <codec>] [-b:a <rate>] -f segment\r\n"
             "         [-segment_<option> <value>]... [-reset_timestamps <0|1>] <file pattern>");
    return kFailureExitCode;
}

int Run() {
    bridge::Request request = bridge::ClassifyArguments(Arguments());
    if (request.mode == bridge::Mode::Other) return Usage();
    if (request.mode == bridge::Mode::Record) {
        // The Linux ffmpeg writes the files where the Windows program looks for them.
        std::string pattern;
        if (!bridge::LinuxPathOf(request.url, CurrentFolder(), WineRoot, &pattern)) {
            Complain(request.url + ": no Linux path for it");
            return kFailureExitCode;
        }
        request.url = pattern;
    }

    const std::wstring folder = ExeFolder();
    const std::map<std::string, std::string> settings =
        bridge::ParseIni(ReadSmallFile(folder + kSettingsFileName));
    auto setting = [&](const char* key, const char* fallback) {
        const auto it = settings.find(key);
        return it == settings.end() || it->second.empty() ? std::string(fallback) : it->second;
    };

    std::string helperUnixPath;
    if (!UnixPathOf(folder + kHelperFileName, &helperUnixPath)) {
        Complain("runs only under Wine: no Linux path for " + WideToUtf8(folder + kHelperFileName));
        return kFailureExitCode;
    }
    std::string listingVariable;
    const bool haveVariable = GetEnvironment(kListingVariable, &listingVariable);
    const auto iniListing = settings.find("listing");
    const bridge::ListingFormat format = bridge::ChooseListingFormat(
        haveVariable ? &listingVariable : nullptr, iniListing == settings.end() ? nullptr : &iniListing->second);

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        Complain("Winsock is not available");
        return kFailureExitCode;
    }
    UniqueSocket listener;
    unsigned short port = 0;
    if (!Listen(&listener, &port)) {
        Complain("cannot listen on 127.0.0.1");
        return kFailureExitCode;
    }
    const std::string token = MakeToken();
    const std::string python = setting("python", kDefaultPython);
    if (!StartHelper(python, helperUnixPath, port, token)) {
        Complain("cannot start " + python + " (error " + std::to_string(GetLastError()) + ")");
        return kFailureExitCode;
    }
    UniqueSocket link;
    if (!AcceptHelper(listener.get(), token, &link)) {
        Complain("the helper " + helperUnixPath + " did not connect");
        return kFailureExitCode;
    }
    listener.reset();

    std::vector<std::pair<std::string, std::string>> fields;
    if (request.mode == bridge::Mode::List) {
        fields = {{"mode", "list"}, {"listing", format == bridge::ListingFormat::New ? "new" : "old"}};
    } else {
        // No argument can hold a NUL, so it keeps options apart inside one field.
        auto joined = [](const std::vector<std::string>& options) {
            std::string text;
            for (const std::string& o : options) {
                if (&o != &options.front()) text += '\0';
                text += o;
            }
            return text;
        };
        fields = {{"mode", request.mode == bridge::Mode::Record ? "record" : "stream"},
                  {"device", request.device},
                  {"codec", request.codec},
                  {"bitrate", request.bitrate},
                  {"url", request.url},
                  {"filters", joined(request.filters)},
                  {"segment", joined(request.segmentOptions)},
                  {"audio_buffer_size", request.audioBufferSize},
                  {"ffmpeg", setting("ffmpeg", kDefaultFfmpeg)}};
    }
    if (!SendAll(link.get(), bridge::RequestLine(fields))) {
        Complain("the helper went away");
        return kFailureExitCode;
    }
    if (request.mode == bridge::Mode::Record) {
        const HANDLE forwarder = CreateThread(nullptr, 0, ForwardInput, reinterpret_cast<void*>(link.get()), 0, nullptr);
        if (forwarder != nullptr) CloseHandle(forwarder);
    }
    return Relay(link.get());
}

}  // namespace

int main() {
    // Never let a failure dialog stop a child that nobody is there to click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const int code = Run();
    ExitProcess(static_cast<UINT>(code));
}
