#pragma once
// The encoder's device listing run, off the window's thread: the listing child, reading its output while
// it runs, the 15 s bound, and device.txt. The window hears of the end through a posted message and
// takes the result then.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devices/ListingTimeout.h"
#include "system/UniqueHandle.h"

struct DeviceListingResult {
  enum class Outcome {
    Written,           // device.txt holds the new listing
    PipeFailed,        // no pipe for the child's output, or nothing to wait on it with
    StartFailed,       // the encoder could not be started
    TimedOut,          // the child had not ended within the bound and was ended
    DeviceFileFailed,  // device.txt could not be written
    Cancelled,         // the window closed while the listing ran
  };
  Outcome outcome = Outcome::Cancelled;
  // The listing as written to device.txt (ANSI code page, before the text-mode line ends), and which of
  // its lines lost characters on the way from UTF-8.
  std::string text;
  std::vector<bool> lossyLines;
  // The encoder's own words about itself (its version banner) are in here too, untouched.
  std::string utf8;
};

class CDeviceListing {
 public:
  CDeviceListing();
  ~CDeviceListing();
  CDeviceListing(const CDeviceListing&) = delete;
  CDeviceListing& operator=(const CDeviceListing&) = delete;

  // Starts a listing unless one runs; message is posted to window when it has ended, its wParam the
  // listing's generation (each start makes a new one).
  bool Start(const std::string& encoderPath, const std::string& deviceListPath, HWND window, UINT message);
  bool IsRunning() const { return m_running; }
  // Ends a running listing at once, child included, and waits for its thread.
  void Cancel();
  // The result of the listing of this generation (the wParam of its message), once. Nothing for an
  // earlier listing's message, a message taken already, or a listing that still runs: it never waits.
  std::optional<DeviceListingResult> TakeResult(WPARAM generation);

 private:
  void Run(std::string encoderPath, std::string deviceListPath, HWND window, UINT message, WPARAM generation);
  bool Cancelled() const;

  std::thread m_thread;
  std::atomic<bool> m_running{false};
  // Set by Cancel: wakes the listing's thread from its wait and keeps it from telling the window.
  UniqueHandle m_cancelEvent;
  // Of the latest start; only the window's thread starts listings and takes their results.
  WPARAM m_generation = 0;
  std::mutex m_mutex;
  // The ended listing's result and its generation, until taken.
  std::optional<DeviceListingResult> m_result;
  WPARAM m_resultGeneration = 0;
};
