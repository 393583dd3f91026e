#include "log/LogBook.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "MemoryFolder.h"
#include "log/LogScroll.h"
#include "res/Texts.h"
#include "text/AnsiText.h"

namespace {

// Marks what went through the conversion, so the files show that every line did, and nothing else.
std::string FakeUtf8(const std::string& text) { return "<" + text + ">"; }

// "2026-12-07 10:00:00" as the local time the system would tell.
std::tm At(const char* when) {
  std::tm t = {};
  std::sscanf(when, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec);
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  return t;
}

const char kBom[] = "\xEF\xBB\xBF";
const char kToday[] = "logs\\2026-12-07.log";

// A line without a time goes to the last day's file; a line for the file alone is not listed.
TEST(LogBook, EachLineGoesAtOnceToTheFileOfItsDayWithOneMarkPerFileAndCrlf) {
  const std::string lines = "<2026-12-07 10:00:00 m>\r\n<0-00-00 -1:-1:-1 m>\r\n<2026-12-07 10:00:00 f>\r\n";
  const std::string old = kBom + std::string("x\r\n");
  const struct {
    const char* what;
    const char* before;  // none: no file
    std::string after;
  } cases[] = {
      {"a new file: the mark, then each line", nullptr, kBom + lines},
      {"an empty file gets the mark", "", kBom + lines},
      {"a file with lines gets no second mark", old.c_str(), old + lines},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFolder disk;
    if (c.before) disk.files[kToday] = c.before;
    LogBook book(disk, FakeUtf8);
    const std::tm now = At("2026-12-07 10:00:00");
    book.Open("logs", &now);
    EXPECT_EQ(book.Add(&now, "m").add.size(), 1u);
    EXPECT_EQ(book.Add(nullptr, "m").add.size(), 1u);
    EXPECT_TRUE(book.AddToFileOnly(&now, "f").add.empty());
    EXPECT_EQ(book.Shown(), 2u);
    EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{kToday, c.after}}));
  }
}

TEST(LogBook, DayFilesOlderThanTheKeptDaysGoAtTheStartAndAtMidnightOthersStay) {
  const std::vector<std::string> kept = {
      "2026-09-08.log",  // 90 days before 2026-12-07
      "2026-12-06.log",  // yesterday: today is no jump
      "2027-01-01.log",  // left by a clock that ran ahead: kept, and no jump back from it
      // Not a day file: the user's own.
      "2026-09-07.LOG", "x2026-09-07.log", "+026-09-07.log", "2026-02-29.log", "2026-13-01.log", "2026-00-10.log",
      "2026-09-00.log"};
  // These in the log folder and one in another, each holding "x".
  const auto files = [](std::vector<std::string> names) {
    std::map<std::string, std::string> files = {{"other\\2000-01-01.log", "x"}};
    for (const std::string& name : names) files["logs\\" + name] = "x";
    return files;
  };
  const std::tm evening = At("2026-12-07 23:59:00"), late = At("2026-12-07 23:59:59");
  const std::tm midnight = At("2026-12-08 00:00:30");
  // 2026-09-08 is 91 days old from midnight on, whether the clock's look or a line comes first.
  for (bool byLine : {false, true}) {
    SCOPED_TRACE(byLine);
    MemoryFolder disk;
    disk.files = files(kept);
    for (const char* old : {"2026-09-07.log", "2024-02-29.log"}) disk.files["logs\\" + std::string(old)] = "x";
    LogBook book(disk, FakeUtf8);
    book.Tick(&evening);
    EXPECT_EQ(disk.files.size(), kept.size() + 3) << "nothing before the folder is known";
    book.Open("logs", &evening);
    book.Tick(&late);
    EXPECT_EQ(disk.files, files(kept));
    if (byLine)
      book.Add(&midnight, "m");
    else
      book.Tick(&midnight);
    disk.files.erase("logs\\2026-12-08.log");
    EXPECT_EQ(disk.files, files({kept.begin() + 1, kept.end()}));
  }
}

// A CMOS battery reset to 2001 and put right by the network, a clock set years ahead before the start: the
// day a jump lands on deletes nothing, and no day file written in this run is ever deleted.
TEST(LogBook, AClockThatJumpsDeletesNothingOnTheDayItLandsOnNorAFileThisRunWrote) {
  struct Step {
    const char* at;              // a line logged then; the first opens the book
    std::set<std::string> left;  // the day files afterwards
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
  } cases[] = {
      {"reset, then put right",
       {{"2001-01-01 00:00:05", {"2001-01-01", "2026-08-01", "2026-12-06"}},
        {"2026-12-07 10:00:00", {"2001-01-01", "2026-08-01", "2026-12-06", "2026-12-07"}},
        {"2026-12-08 00:00:30", {"2001-01-01", "2026-12-06", "2026-12-07", "2026-12-08"}}}},
      {"ahead, then put right",
       {{"2030-05-01 09:00:00", {"2026-08-01", "2026-12-06", "2030-05-01"}},
        {"2026-12-07 10:00:00", {"2026-08-01", "2026-12-06", "2026-12-07", "2030-05-01"}},
        {"2026-12-08 00:00:30", {"2026-12-06", "2026-12-07", "2026-12-08", "2030-05-01"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFolder disk;
    for (const char* day : {"2026-08-01", "2026-12-06"}) disk.files["logs\\" + std::string(day) + ".log"] = "x";
    LogBook book(disk, FakeUtf8);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.at);
      const std::tm now = At(step.at);
      if (&step == &c.steps.front()) book.Open("logs", &now);
      book.Add(&now, "m");
      std::set<std::string> left;
      for (const auto& file : disk.files) left.insert(file.first.substr(5, 10));
      EXPECT_EQ(left, step.left);
    }
  }
}

TEST(LogBook, AFileThatCannotBeWrittenIsSaidOnceAndItsComingBackOnce) {
  const std::string failed = FillIn(kLogFileFailed, {kToday});
  const std::string resumed = FillIn(kLogFileResumed, {kToday});
  // One line logged at each step: what the disk allows then, the messages the list is to add.
  struct Step {
    bool canMakeFolders;
    bool canWrite;
    bool removeFolder;  // before the line
    std::vector<std::string> shown;
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::string written;  // the file at the end, after its mark: the messages alone
  } cases[] = {
      {"the file cannot be written, then can",
       {{true, true, false, {"a"}}, {true, false, false, {"b", failed}}, {true, false, false, {"c"}},
        {true, true, false, {"d", resumed}}, {true, false, false, {"e", failed}}},
       "a\r\nd\r\n" + resumed + "\r\n"},
      {"the folder cannot be made",
       {{false, true, true, {"a", failed}}, {false, true, false, {"b"}}, {true, true, false, {"c", resumed}}},
       "c\r\n" + resumed + "\r\n"},
      {"a folder removed while running is made again", {{true, true, true, {"a"}}}, "a\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFolder disk;
    LogBook book(disk, [](const std::string& line) { return line.substr(20); });
    const std::tm now = At("2026-12-07 10:00:00");
    book.Open("logs", &now);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.shown.front());
      disk.canMakeFolders = step.canMakeFolders;
      disk.canWrite = step.canWrite;
      if (step.removeFolder) disk.folders.clear();
      disk.appends = 0;
      std::vector<std::string> shown;
      for (const std::string& line : book.Add(&now, step.shown.front()).add) shown.push_back(line.substr(20));
      EXPECT_EQ(shown, step.shown);
      // The line, once more after making the folder, and the line saying writing works again: the failure
      // line is never written, so it cannot fail in turn.
      EXPECT_LE(disk.appends, 3);
    }
    EXPECT_EQ(disk.files[kToday], kBom + c.written);
  }
}

// The bound itself is proven over a month on air; here the failure's line among the dropped.
TEST(LogBook, TheListKeepsTheNewestLines) {
  MemoryFolder disk;
  LogBook book(disk, FakeUtf8, 2);
  const std::tm now = At("2026-12-07 10:00:00");
  book.Open("logs", &now);
  for (std::size_t dropped : {0u, 0u, 1u}) EXPECT_EQ(book.Add(&now, "m").dropOldest, dropped);
  disk.canWrite = false;
  EXPECT_EQ(book.Add(&now, "m").dropOldest, 2u) << "the line and the failure's";
  book.Clear();
  EXPECT_EQ(book.Add(&now, "m").dropOldest, 0u);
  EXPECT_EQ(book.Shown(), 1u);
}

TEST(LogScroll, TheLastLineStaysInViewUnlessTheUserScrolledUp) {
  const struct {
    const char* what;
    LogListView before;
    std::vector<int> addedAt;
    std::vector<int> droppedAt;
    int countAfter;
    int top;
    int visibleAfter = 10;
  } cases[] = {
      {"not yet full", {0, 10, 9}, {9}, {}, 10, 0},
      {"the last line shown: the new one is", {0, 10, 10}, {10}, {}, 11, 1},
      {"a scroll bar came and took a line's room", {0, 4, 4}, {4}, {}, 5, 2, 3},
      {"scrolled up: left there", {100, 10, 200}, {200}, {}, 201, 100},
      {"scrolled up, a line sorted above the view", {100, 10, 200}, {50}, {}, 201, 101},
      {"scrolled up at the bound: the same lines stay", {100, 10, 5000}, {5000}, {0}, 5000, 99},
      {"the clock set back: the line comes above, the first added goes below", {100, 10, 5000}, {0}, {3000}, 5000, 101},
      {"the lines shown were dropped", {0, 10, 5000}, {5000}, {0}, 5000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TopIndexAfterAdding(c.before, c.addedAt, c.droppedAt, {0, c.visibleAfter, c.countAfter}), c.top);
  }
}

}  // namespace
