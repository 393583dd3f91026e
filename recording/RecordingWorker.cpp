#include "recording/RecordingWorker.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "recording/RecorderProcess.h"
#include "recording/RecordingFolder.h"
#include "streaming/LiveSession.h"
#include "text/AnsiTextConversion.h"

namespace {

enum Command { kStart, kStop, kGiveWay, kAbandon };

std::string Utf8ToAnsiCopy(const std::string& utf8) {
  std::string text = utf8;
  Utf8ToAnsi(text);
  return text;
}

std::tm LocalNow() {
  std::tm local = {};
  const __time64_t now = _time64(nullptr);
  _localtime64_s(&local, &now);
  return local;
}

long long NowMs() { return static_cast<long long>(GetTickCount64()); }

}  // namespace

struct CRecordingWorker::Shared {
  struct Order {
    int command;
    RecordSettings settings;
    RecordingChoice choice;
    std::string line;
  };

  Shared(std::string encoderPath, HWND window, UINT message)
      : runner(std::move(encoderPath)),
        session(runner, folder, Utf8ToAnsiCopy, std::to_string(GetCurrentProcessId())),
        window(window),
        message(message) {}

  // Touched by the worker's thread alone.
  CRecorderProcess runner;
  CRecordingFolder folder;
  RecordingSession session;
  RecordingChoice choice;
  long long nextTickMs = 0;

  const HWND window;
  const UINT message;
  std::atomic<RecordingState> state{RecordingState::Off};

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Order> orders;
  RecordingEvents events;  // for the window
  bool running = false;    // a thread runs

  static void Run(const std::shared_ptr<Shared>& shared) { shared->Work(); }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      if (!orders.empty()) {
        Order order = std::move(orders.front());
        orders.pop_front();
        lock.unlock();
        Report(Do(order));
        lock.lock();
        continue;
      }
      if (!session.IsOn() && !session.Finishing()) {
        running = false;
        changed.notify_all();
        return;
      }
      const long long waitMs = nextTickMs - NowMs();
      if (waitMs > 0) {
        changed.wait_for(lock, std::chrono::milliseconds(waitMs));
        continue;
      }
      lock.unlock();
      nextTickMs = NowMs() + kWatchdogPeriodMs;
      Report(session.Tick(NowMs(), LocalNow(), choice));
      lock.lock();
    }
  }

  RecordingEvents Do(const Order& order) {
    nextTickMs = NowMs() + kWatchdogPeriodMs;
    switch (order.command) {
      case kStart:
        choice = order.choice;
        return session.Start(NowMs(), LocalNow(), order.settings, order.choice);
      case kStop:
        return session.IsOn() ? session.Stop() : RecordingEvents();
      case kGiveWay: {
        if (!session.IsOn()) return {};
        RecordingEvents events = session.Stop();
        for (RecordingEvent& event : events)
          if (event.kind == RecordingEventKind::SwitchedOff) event.line = order.line;
        return events;
      }
      default:
        session.Abandon();
        return {};
    }
  }

  // Posted, never sent: the window may be busy, or gone.
  void Report(RecordingEvents done) {
    state = session.State();
    if (done.empty()) return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (RecordingEvent& event : done) events.push_back(std::move(event));
    }
    PostMessageA(window, message, 0, 0);
  }
};

CRecordingWorker::CRecordingWorker(std::string encoderPath, HWND window, UINT message)
    : m_shared(std::make_shared<Shared>(std::move(encoderPath), window, message)) {}

CRecordingWorker::~CRecordingWorker() { Abandon(); }

void CRecordingWorker::Start(const RecordSettings& settings, const RecordingChoice& choice) {
  Queue(kStart, settings, choice);
}

void CRecordingWorker::Stop() { Queue(kStop); }

void CRecordingWorker::GiveWay(const std::string& line) { Queue(kGiveWay, {}, {}, line); }

void CRecordingWorker::Abandon() {
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->orders.clear();
    // No thread: nothing is on, nor left to finish.
    if (!m_shared->running) return;
  }
  Queue(kAbandon);
}

void CRecordingWorker::Queue(int command, RecordSettings settings, RecordingChoice choice, std::string line) {
  std::lock_guard<std::mutex> lock(m_shared->mutex);
  m_shared->orders.push_back({command, std::move(settings), std::move(choice), std::move(line)});
  m_shared->changed.notify_all();
  if (m_shared->running) return;
  // Without a thread the order waits for the next one, which tries again.
  try {
    std::thread(&Shared::Run, m_shared).detach();
    m_shared->running = true;
  } catch (const std::system_error&) {
  }
}

bool CRecordingWorker::WaitUntilIdle(long long waitMs) {
  std::unique_lock<std::mutex> lock(m_shared->mutex);
  return m_shared->changed.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !m_shared->running; });
}

RecordingEvents CRecordingWorker::TakeEvents() {
  RecordingEvents taken;
  std::lock_guard<std::mutex> lock(m_shared->mutex);
  taken.swap(m_shared->events);
  return taken;
}

RecordingState CRecordingWorker::State() const { return m_shared->state; }
