#include "BridgeRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using bridge::Mode;
using Args = std::vector<std::string>;

// ---------------------------------------------------------------------------
// The command lines PushClient sends, and what is not one of them

struct ClassifyCase {
    const char* name;
    Args args;
    Mode mode;
    const char* device;
    const char* codec;
    const char* bitrate;
    const char* url;
    Args filters = {};
    const char* bufferSize = "";
    Args segmentOptions = {};
};

void PrintTo(const ClassifyCase& c, std::ostream* os) { *os << c.name; }

class ClassifyTest : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTest, ReadsModeAndValues) {
    const ClassifyCase& c = GetParam();
    const bridge::Request r = bridge::ClassifyArguments(c.args);
    EXPECT_EQ(r.mode, c.mode);
    EXPECT_EQ(r.device, c.device);
    EXPECT_EQ(r.codec, c.codec);
    EXPECT_EQ(r.bitrate, c.bitrate);
    EXPECT_EQ(r.url, c.url);
    EXPECT_EQ(r.filters, c.filters);
    EXPECT_EQ(r.audioBufferSize, c.bufferSize);
    EXPECT_EQ(r.segmentOptions, c.segmentOptions);
}

const char kLevelGraph[] =
    "[0:a]asplit=2[enc][lvl];[lvl]asetnsamples=n=12000,astats=metadata=1:reset=1,"
    "ametadata=mode=print:key=lavfi.astats.Overall.Peak_level,anullsink";

const char kTone[] = u8"测试音 (440 Hz)";
const char kToneAudio[] = u8"audio=测试音 (440 Hz)";
const char kSegments[] = u8"C:\\PushClient\\录音\\rec-k3-1_%05d.aac";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ClassifyTest,
    ::testing::Values(
        ClassifyCase{"listing", {"-list_devices", "true", "-f", "dshow", "-i", "dummy"}, Mode::List, "", "", "", ""},
        ClassifyCase{"listing_options_reordered", {"-f", "dshow", "-list_devices", "true", "-i", "dummy"},
                     Mode::List, "", "", "", ""},
        ClassifyCase{"listing_false_is_not_a_listing", {"-list_devices", "false", "-f", "dshow", "-i", "dummy"},
                     Mode::Other, "", "", "", ""},
        ClassifyCase{"listing_without_dshow", {"-list_devices", "true", "-f", "lavfi", "-i", "dummy"}, Mode::Other,
                     "", "", "", ""},
        ClassifyCase{"listing_with_trailing_output", {"-list_devices", "true", "-f", "dshow", "-i", "dummy", "x.flv"},
                     Mode::Other, "", "", "", ""},
        ClassifyCase{"stream_as_pushclient_sends_it",
                     {"-f", "dshow", "-i", kToneAudio, "-y", "-c:a", "libfdk_aac", "-b:a", "48k", "-f", "flv",
                      "rtmp://127.0.0.1/live/stream"},
                     Mode::Stream, kTone, "libfdk_aac", "48k", "rtmp://127.0.0.1/live/stream"},
        ClassifyCase{"stream_with_a_level_meter_over_rtmps",
                     {"-audio_buffer_size", "50", "-f", "dshow", "-i", kToneAudio, "-filter_complex", kLevelGraph,
                      "-map", "[enc]", "-y", "-c:a", "aac", "-af", "volume=2", "-b:a", "48k", "-f", "flv",
                      "rtmps://127.0.0.1:1936/live/x"},
                     Mode::Stream, kTone, "aac", "48k", "rtmps://127.0.0.1:1936/live/x",
                     {"-filter_complex", kLevelGraph, "-map", "[enc]", "-af", "volume=2"}, "50"},
        ClassifyCase{"stream_device_with_quote_and_backslash",
                     {"-f", "dshow", "-i", "audio=Mic \"A\" \\x", "-y", "-c:a", "aac", "-b:a", "192k", "-f", "flv",
                      "rtmp://localhost/a?b=c d"},
                     Mode::Stream, "Mic \"A\" \\x", "aac", "192k", "rtmp://localhost/a?b=c d"},
        ClassifyCase{"stream_empty_device_name",
                     {"-f", "dshow", "-i", "audio=", "-f", "flv", "rtmp://127.0.0.1/live/s"}, Mode::Stream, "", "",
                     "", "rtmp://127.0.0.1/live/s"},
        ClassifyCase{"stream_old_option_names",
                     {"-f", "dshow", "-i", "audio=Line In", "-acodec", "aac", "-ab", "64k", "rtmp://127.0.0.1/x"},
                     Mode::Stream, "Line In", "aac", "64k", "rtmp://127.0.0.1/x"},
        ClassifyCase{"record_as_pushclient_sends_it",
                     {"-f", "dshow", "-i", kToneAudio, "-c:a", "aac", "-b:a", "48k", "-f", "segment",
                      "-segment_format", "adts", "-segment_format_options", "flush_packets=1", "-segment_time",
                      "3600", "-segment_atclocktime", "1", "-reset_timestamps", "1", kSegments},
                     Mode::Record, kTone, "aac", "48k", kSegments, {}, "",
                     {"-segment_format", "adts", "-segment_format_options", "flush_packets=1", "-segment_time",
                      "3600", "-segment_atclocktime", "1", "-reset_timestamps", "1"}},
        ClassifyCase{"record_without_output",
                     {"-f", "dshow", "-i", kToneAudio, "-f", "segment", "-segment_time", "60"}, Mode::Other, "",
                     "", "", ""},
        ClassifyCase{"segment_input_is_no_recording",
                     {"-f", "segment", "-f", "dshow", "-i", "audio=Mic", "rtmp://127.0.0.1/x"}, Mode::Stream,
                     "Mic", "", "", "rtmp://127.0.0.1/x"},
        ClassifyCase{"stream_without_output", {"-f", "dshow", "-i", "audio=Mic", "-y", "-c:a", "aac"}, Mode::Other,
                     "", "", "", ""},
        ClassifyCase{"stream_empty_output", {"-f", "dshow", "-i", "audio=Mic", "-f", "flv", ""}, Mode::Other, "", "",
                     "", ""},
        ClassifyCase{"stream_two_outputs", {"-f", "dshow", "-i", "audio=Mic", "a.flv", "b.flv"}, Mode::Other, "", "",
                     "", ""},
        ClassifyCase{"stream_video_input_only", {"-f", "dshow", "-i", "video=Cam", "-f", "flv", "rtmp://127.0.0.1/x"},
                     Mode::Other, "", "", "", ""},
        ClassifyCase{"stream_not_dshow", {"-f", "lavfi", "-i", "audio=Mic", "-f", "flv", "rtmp://127.0.0.1/x"},
                     Mode::Other, "", "", "", ""},
        ClassifyCase{"option_missing_its_value", {"-f", "dshow", "-i"}, Mode::Other, "", "", "", ""},
        ClassifyCase{"nothing", {}, Mode::Other, "", "", "", ""},
        ClassifyCase{"version", {"-version"}, Mode::Other, "", "", "", ""}),
    [](const ::testing::TestParamInfo<ClassifyCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The recording's files: where the Linux ffmpeg writes what the Windows program looks for

TEST(LinuxPath, AsWineMapsDrivesSharesAndRelativePaths) {
    const bridge::RootOf roots = [](const std::string& device, std::string* root) {
        const std::map<std::string, std::string> known = {
            {"c:", "/root/.wine/dosdevices/c:/"}, {"z:", "/"}, {"d:", "/media/100%/"},
            {"unc", "/root/.wine/dosdevices/unc"}};
        const auto it = known.find(device);
        if (it == known.end()) return false;
        *root = it->second;
        return true;
    };
    const char* const c = "/root/.wine/dosdevices/c:";
    const char* const unc = "/root/.wine/dosdevices/unc";
    const struct {
        const char* path;
        const char* current;
        std::string linux;  // empty: no Linux path
    } cases[] = {
        {u8"Z:\\home\\u\\录音\\rec-k3-1_%05d.aac", "C:\\PushClient", u8"/home/u/录音/rec-k3-1_%05d.aac"},
        {u8"C:\\PushClient\\录音\\rec-k3-1_%05d.aac", "Z:\\tmp", c + std::string(u8"/PushClient/录音/rec-k3-1_%05d.aac")},
        {"c:/PushClient//./a/../b\\x.aac", "Z:\\tmp", c + std::string("/PushClient/b/x.aac")},
        {"C:\\..\\..\\x.aac", "Z:\\tmp", c + std::string("/x.aac")},
        {u8"录音\\x_%05d.aac", "C:\\Push Client\\", c + std::string(u8"/Push Client/录音/x_%05d.aac")},
        {"..\\x.aac", "Z:\\tmp\\p", "/tmp/x.aac"},
        {"\\x.aac", "C:\\PushClient", c + std::string("/x.aac")},
        {"C:x.aac", "C:\\PushClient", c + std::string("/PushClient/x.aac")},
        {"z:x.aac", "C:\\PushClient", "/x.aac"},
        {"D:\\50%%\\x_%05d.aac", "C:\\", "/media/100%%/50%%/x_%05d.aac"},
        {u8"\\\\nas\\radio\\录音\\x.aac", "C:\\", unc + std::string(u8"/nas/radio/录音/x.aac")},
        {"\\\\nas\\radio\\..\\..\\x.aac", "C:\\", unc + std::string("/nas/radio/x.aac")},
        {"rec\\x.aac", "\\\\nas\\radio\\PushClient", unc + std::string("/nas/radio/PushClient/rec/x.aac")},
        {"\\\\?\\C:\\a\\x.aac", "Z:\\", c + std::string("/a/x.aac")},
        {"\\\\?\\UNC\\nas\\radio\\x.aac", "Z:\\", unc + std::string("/nas/radio/x.aac")},
        {"E:\\x.aac", "C:\\", ""},                  // a drive Wine does not have
        {"\\\\.\\pipe\\x", "C:\\", ""},             // a device
        {"\\\\nas", "C:\\", ""},                      // a server without a share
        {"x.aac", "", ""},                            // no current folder
        {"x.aac", "PushClient", ""},                  // nor a full one
        {"\\x.aac", "\\\\nas\\radio", ""},             // rooted on no drive
        {"", "C:\\", ""},
    };
    for (const auto& t : cases) {
        std::string got = "unchanged";
        const bool ok = bridge::LinuxPathOf(t.path, t.current, roots, &got);
        EXPECT_EQ(ok, !t.linux.empty()) << t.path << " in " << t.current;
        EXPECT_EQ(got, t.linux.empty() ? "unchanged" : t.linux) << t.path << " in " << t.current;
    }
}

// ---------------------------------------------------------------------------
// Request line

TEST(RequestLine, HexKeepsBlanksQuotesAndNonAsciiInsideOneField) {
    const struct {
        std::string value;
        std::string hex;
    } cases[] = {
        {"", ""},
        {"list", "6c697374"},
        {"a b", "612062"},
        {"\"\n\\", "220a5c"},
        {"\xE6\xB5\x8B", "e6b58b"},  // first character of the test tone's name, UTF-8
        {std::string("\x00\xFF", 2), "00ff"},
    };
    for (const auto& c : cases) EXPECT_EQ(bridge::HexEncode(c.value), c.hex) << c.hex;
}

TEST(RequestLine, FieldsInOrderEndingInOneNewline) {
    EXPECT_EQ(bridge::RequestLine({{"mode", "stream"}, {"device", "A B"}, {"codec", ""}}),
              "mode=73747265616d device=412042 codec=\n");
    EXPECT_EQ(bridge::RequestLine({}), "\n");
}

// ---------------------------------------------------------------------------
// Frames

std::string FrameBytes(char kind, const std::string& payload) {
    std::string f(1, kind);
    const size_t n = payload.size();
    f += static_cast<char>((n >> 24) & 0xFF);
    f += static_cast<char>((n >> 16) & 0xFF);
    f += static_cast<char>((n >> 8) & 0xFF);
    f += static_cast<char>(n & 0xFF);
    return f + payload;
}

std::vector<bridge::Frame> Drain(bridge::FrameReader& r) {
    std::vector<bridge::Frame> out;
    bridge::Frame f;
    while (r.Next(&f)) out.push_back(f);
    return out;
}

TEST(FrameReader, SameFramesWhateverTheSizeOfTheArrivingPieces) {
    const std::string big(70000, 'z');  // longer than one socket read
    const std::string stream = FrameBytes('2', "ffmpeg version\r\n") + FrameBytes('1', "") + FrameBytes('1', big) +
                               FrameBytes('2', std::string("\x00\n\r", 3)) + FrameBytes('x', "255");
    for (size_t piece : {size_t(1), size_t(2), size_t(4), size_t(5), size_t(6), size_t(7), size_t(4096),
                         stream.size()}) {
        bridge::FrameReader r;
        std::vector<bridge::Frame> got;
        for (size_t pos = 0; pos < stream.size(); pos += piece) {
            r.Feed(stream.data() + pos, std::min(piece, stream.size() - pos));
            for (const auto& f : Drain(r)) got.push_back(f);
        }
        ASSERT_EQ(got.size(), 5u) << "piece " << piece;
        EXPECT_EQ(got[0].kind, '2');
        EXPECT_EQ(got[0].payload, "ffmpeg version\r\n");
        EXPECT_EQ(got[1].kind, '1');
        EXPECT_EQ(got[1].payload, "");
        EXPECT_EQ(got[2].payload, big);
        EXPECT_EQ(got[3].payload, std::string("\x00\n\r", 3));
        EXPECT_EQ(got[4].kind, 'x');
        EXPECT_EQ(got[4].payload, "255");
        EXPECT_FALSE(r.Corrupt());
    }
}

TEST(FrameReader, IncompleteFrameWaits) {
    bridge::FrameReader r;
    const std::string f = FrameBytes('1', "abc");
    r.Feed(f.data(), f.size() - 1);
    EXPECT_TRUE(Drain(r).empty());
    r.Feed(f.data() + f.size() - 1, 1);
    ASSERT_EQ(Drain(r).size(), 1u);
}

TEST(FrameReader, ImpossibleLengthMarksTheStreamCorrupt) {
    bridge::FrameReader r;
    const std::string header("1\xFF\xFF\xFF\xFF", 5);
    r.Feed(header.data(), header.size());
    EXPECT_TRUE(Drain(r).empty());
    EXPECT_TRUE(r.Corrupt());
    const std::string later = FrameBytes('x', "0");
    r.Feed(later.data(), later.size());
    EXPECT_TRUE(Drain(r).empty());
}

TEST(ExitCode, DecimalWithinIntOnly) {
    const struct {
        const char* text;
        bool ok;
        int code;
    } cases[] = {
        {"0", true, 0},           {"1", true, 1},       {"255", true, 255},
        {"-1", true, -1},         {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"-2147483649", false, 0}, {"", false, 0},       {"-", false, 0},
        {"+1", false, 0},         {" 1", false, 0},     {"1 ", false, 0},
        {"0x10", false, 0},       {"12a", false, 0},
    };
    for (const auto& c : cases) {
        int code = 12345;
        EXPECT_EQ(bridge::ParseExitCode(c.text, &code), c.ok) << "'" << c.text << "'";
        EXPECT_EQ(code, c.ok ? c.code : 12345) << "'" << c.text << "'";
    }
}

// ---------------------------------------------------------------------------
// Settings

TEST(Ini, KeysValuesCommentsAndBlanks) {
    const auto keys = bridge::ParseIni(
        "\xEF\xBB\xBF"
        "listing = new\r\n"
        "# listing=old\n"
        "; python=/nope\n"
        "\n"
        "no equals sign\n"
        "=orphan value\n"
        "python=/usr/local/bin/python3 \n"
        "ffmpeg = /opt/ff mpeg/bin/ffmpeg\n"
        "empty=\n"
        "python=/usr/bin/python3.11");
    const std::map<std::string, std::string> expected = {
        {"listing", "new"}, {"python", "/usr/bin/python3.11"}, {"ffmpeg", "/opt/ff mpeg/bin/ffmpeg"}, {"empty", ""}};
    EXPECT_EQ(keys, expected);
    EXPECT_TRUE(bridge::ParseIni("").empty());
}

TEST(ListingFormat, EnvironmentBeforeIniOldByDefault) {
    using bridge::ListingFormat;
    const std::string neu = "new", old = "old", upper = " NEW ", junk = "5.0", empty = "";
    const struct {
        const std::string* env;
        const std::string* ini;
        ListingFormat expected;
    } cases[] = {
        {nullptr, nullptr, ListingFormat::Old}, {&neu, nullptr, ListingFormat::New},
        {nullptr, &neu, ListingFormat::New},    {&old, &neu, ListingFormat::Old},
        {&neu, &old, ListingFormat::New},       {&upper, nullptr, ListingFormat::New},
        {&junk, &neu, ListingFormat::New},      {&empty, &neu, ListingFormat::New},
        {&junk, &junk, ListingFormat::Old},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bridge::ChooseListingFormat(c.env, c.ini), c.expected)
            << (c.env ? *c.env : "-") << " / " << (c.ini ? *c.ini : "-");
}

}  // namespace
