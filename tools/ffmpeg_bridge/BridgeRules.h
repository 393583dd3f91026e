// The parts of ffmpeg_bridge that need no Windows API: reading the command line
// PushClient sends, the request line for the Linux helper, the frames it sends back,
// and the optional ffmpeg-bridge.ini. Strings are UTF-8 bytes throughout.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bridge {

// Stream: published to an address (-f flv <url>). Record: written to files cut by ffmpeg's segment
// muxer (-f segment ... <pattern>), the output a Windows path.
enum class Mode { List, Stream, Record, Other };

struct Request {
    Mode mode = Mode::Other;
    std::string device;   // after "audio=", quotes already removed by the splitter
    std::string codec;    // -c:a / -acodec; empty when not given
    std::string bitrate;  // -b:a / -ab as given, e.g. "48k"
    std::string url;      // the output: the last argument (a Record's is the Windows file pattern)
    // -filter_complex, -map and -af with their values, verbatim and in the order given: the
    // Linux ffmpeg must build the same graph (a level meter's branch, say) as ffmpeg.exe would.
    std::vector<std::string> filters;
    std::string audioBufferSize;  // -audio_buffer_size, DirectShow's own input option
    // The segment muxer's options (-segment_*, -reset_timestamps) with their values, verbatim and in order.
    std::vector<std::string> segmentOptions;
};

// args: the arguments after the program name, as the C runtime rules split them.
Request ClassifyArguments(const std::vector<std::string>& args);

// The Linux path of a Windows path, as Wine maps it. A drive's "X:\..." hangs below the folder rootOf("x:")
// gives (Wine's Z: is "/", the other letters are its prefix's dosdevices links), a share's
// "\\server\share\..." below rootOf("unc"). A relative path, one rooted on the current drive ("\...") and
// a drive's "X:name" are first taken from currentFolder, a full Windows path. The "\\?\" forms are the
// same paths; "." and ".." are resolved as Windows does, before Linux follows any link; both separators
// count. The path is an ffmpeg output pattern: each '%' of a root is doubled, the rest is kept as written
// (Linux compares names by case: a folder must be spelt as it is). False for what Wine maps to no file
// (a device "\\.\", a drive without a root).
using RootOf = std::function<bool(const std::string& device, std::string* root)>;
bool LinuxPathOf(const std::string& windowsPath, const std::string& currentFolder, const RootOf& rootOf,
                 std::string* linuxPath);

// Lower-case hex of every byte.
std::string HexEncode(const std::string& bytes);

// "key=HEX key=HEX ...\n" in the given order: no value can break the line or a field.
std::string RequestLine(const std::vector<std::pair<std::string, std::string>>& fields);

// One message from the helper: kind '1' (stdout), '2' (stderr) or 'x' (exit code).
struct Frame {
    char kind = 0;
    std::string payload;
};

// Reassembles frames (kind byte, 4-byte big-endian length, payload) from the byte
// stream as it arrives, in pieces of any size.
class FrameReader {
public:
    // Largest payload accepted; anything longer means the stream is not ours.
    static constexpr std::size_t kMaxPayload = 16u * 1024u * 1024u;

    void Feed(const char* data, std::size_t size);
    // Takes the next complete frame out; false when none is complete yet.
    bool Next(Frame* frame);
    // The stream held a length no helper sends.
    bool Corrupt() const { return corrupt_; }

private:
    std::string buffer_;
    std::size_t pos_ = 0;
    bool corrupt_ = false;
};

// The payload of an 'x' frame: an optional '-' and decimal digits that fit an int.
bool ParseExitCode(const std::string& text, int* code);

// key=value lines; blanks around both dropped; '#' and ';' lines and lines without
// '=' skipped; a UTF-8 byte order mark ignored. Later keys win.
std::map<std::string, std::string> ParseIni(const std::string& text);

enum class ListingFormat { Old, New };

// The environment variable wins over the ini key; each counts only when it says
// "old" or "new" (any case). Otherwise the old, section-header format.
ListingFormat ChooseListingFormat(const std::string* environmentValue, const std::string* iniValue);

}  // namespace bridge
