#pragma once
// Started with /live (a shortcut in the Startup folder, the PC booting with nobody at the desk): on air
// once start-up has worked and the device chosen last is listed. Nothing on the way waits for a click:
// each kind of trouble is said once, to the log and the group, and start-up is tried again every
// kUnattendedRetryMs until it works. Without /live a person is there, and message boxes say what is wrong.
#include <array>
#include <cstddef>

constexpr unsigned kUnattendedRetryMs = 15000;

class UnattendedStart {
 public:
  enum class Trouble { EncoderMissing, ListingFailed, DeviceMissing, kCount };

  UnattendedStart() = default;
  explicit UnattendedStart(bool active) : m_active(active) {}

  // Still to go live on its own.
  bool Active() const { return m_active; }
  // On air, or a person took over: nothing more to do.
  void Done() { m_active = false; }

  // This trouble was met: true the first time, when it is to be said.
  bool Met(Trouble trouble) {
    bool& said = m_said[static_cast<std::size_t>(trouble)];
    const bool first = !said;
    said = true;
    return first;
  }
  // This trouble is over: true when it had been said, so that its end is said too.
  bool Over(Trouble trouble) {
    bool& said = m_said[static_cast<std::size_t>(trouble)];
    const bool wasSaid = said;
    said = false;
    return wasSaid;
  }

 private:
  bool m_active = false;
  std::array<bool, static_cast<std::size_t>(Trouble::kCount)> m_said{};
};
