#pragma once
// Runs a piece of clean-up when a scope is left, by whichever of its exits: the clean-up is written once,
// beside what it cleans up, instead of before every return.
#include <utility>

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F onExit) : m_onExit(std::move(onExit)) {}
  ~ScopeExit() {
    if (m_armed) m_onExit();
  }

  // Moving hands the clean-up over: it still runs once, when the last owner is left.
  ScopeExit(ScopeExit&& other) noexcept(noexcept(F(std::move(other.m_onExit))))
      : m_onExit(std::move(other.m_onExit)), m_armed(std::exchange(other.m_armed, false)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ScopeExit& operator=(ScopeExit&&) = delete;

  // The clean-up is no longer wanted: nothing runs at the scope's end.
  void release() { m_armed = false; }

 private:
  F m_onExit;
  bool m_armed = true;
};
