#include "settings/CommandLineOptions.h"

#include <gtest/gtest.h>

TEST(CommandLineOptions, GoLiveAtStartup) {
  const struct {
    const char* line;
    bool live;
  } cases[] = {
      {"/live", true}, {"-LIVE", true}, {"  /Live\t", true}, {"/tray\t-live /x", true}, {"\"/live\"", true},
      {"\"C:\\推流\\a b\" /live", true}, {"", false}, {"/liveX", false}, {"--live", false}, {"live", false},
      {"/live:1", false}, {"x/live", false}, {"\"C:\\a /live b\"", false},  // the last: inside one argument
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(GoLiveAtStartup(c.line), c.live);
  }
}
