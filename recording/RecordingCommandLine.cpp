#include "recording/RecordingCommandLine.h"

#include "encoder/EncoderCommandLine.h"

std::string BuildRecordArgs(const std::string& device, const std::string& bitrateText, const std::string& aacEncoder,
                            int segmentSeconds, const std::string& outputPattern) {
  std::string args = " -f dshow -i ";
  args += DshowAudioInput(device);
  args += " -c:a ";
  args += CommandLineArgument(aacEncoder);
  args += " -b:a ";
  args += CommandLineArgument(bitrateText + "k");
  args += " -f segment -segment_format adts -segment_format_options flush_packets=1 -segment_time ";
  args += std::to_string(segmentSeconds);
  args += " -segment_atclocktime 1 -reset_timestamps 1 ";
  args += CommandLineArgument(outputPattern);
  args += ' ';
  return args;
}
