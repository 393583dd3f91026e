#pragma once
// The recording's encoder: the same device as the broadcast, at its bitrate and with its AAC encoder, cut
// at the clock into AAC files in ADTS, which need no index at their end: each is written as it comes
// (flushed after every packet), so a power cut leaves a file that plays up to its last seconds.
#include <string>

// The recording run, one line:
//   " -f dshow -i audio=\"<device>\" -c:a <aacEncoder> -b:a <bitrate>k -f segment -segment_format adts
//     -segment_format_options flush_packets=1 -segment_time <segmentSeconds> -segment_atclocktime 1
//     -reset_timestamps 1 <outputPattern> "
// The device and the pattern reach the encoder as one argument each, by BuildStreamArgs' rules
// (EncoderCommandLine.h). ffmpeg's own -flush_packets 1 would flush the segment muxer, which writes nothing
// itself; the segments' muxer is told through -segment_format_options. The pattern (SegmentPattern) holds
// ffmpeg's own number, so it names no file: ffmpeg's question before writing over an output file never
// comes, and no -y is needed, nor taken to mean that anything may be written over. No -nostdin: the
// recording is ended with 'q' on the encoder's standard input.
std::string BuildRecordArgs(const std::string& device, const std::string& bitrateText, const std::string& aacEncoder,
                            int segmentSeconds, const std::string& outputPattern);
