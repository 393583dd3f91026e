#include "app/RecordingWiring.h"

#include "res/Texts.h"

void CRecordingWiring::Attach(HWND window, UINT message, const std::string& encoderPath) {
  m_worker = std::make_unique<CRecordingWorker>(encoderPath, window, message);
}

void CRecordingWiring::SwitchedOn(RecordSettings settings, const std::string& programFolder,
                                  const RecordingChoice& choice) {
  m_on = settings.enabled && m_worker;
  if (!m_on) return;
  settings.folder = RecordFolderPath(settings.folder, programFolder);
  m_worker->Start(settings, choice);
}

void CRecordingWiring::SwitchedOff() {
  if (!m_on) return;
  m_on = false;
  m_worker->Stop();
}

void CRecordingWiring::Abandon() {
  m_on = false;
  if (!m_worker) return;
  m_worker->Abandon();
  m_worker->WaitUntilIdle(kRecordingCloseWaitMs);
}

void CRecordingWiring::RecordSettingsChanged(const RecordSettings& settings) {
  if (!settings.enabled) SwitchedOff();
}

void CRecordingWiring::BroadcastEvents(const SessionEvents& events) {
  if (!m_on) return;
  for (const SessionEvent& event : events) {
    if (!event.deviceInUse) continue;
    m_on = false;
    m_worker->GiveWay(kLogRecordGaveWay);
    return;
  }
}

CRecordingWiring::Taken CRecordingWiring::Take() {
  Taken taken;
  if (!m_worker) return taken;
  taken.events = m_worker->TakeEvents();
  for (const RecordingEvent& event : taken.events) {
    for (const std::string* line : {&event.line, &event.reasonLine}) {
      if (line->empty()) continue;
      taken.messages.push_back(*line);
      taken.dayFileOnly.push_back(event.kind == RecordingEventKind::FileSaved);
    }
  }
  return taken;
}

RecordingState CRecordingWiring::State() const {
  return m_on && m_worker ? m_worker->State() : RecordingState::Off;
}
