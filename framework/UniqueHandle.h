#pragma once
// Move-only owners of kernel handles. Two invalid values exist in the API: most functions return NULL on
// failure, CreateFile returns INVALID_HANDLE_VALUE; each owner knows its own, so "if (h)" is always right.
#include <windows.h>

struct NullHandleTraits {
  static HANDLE Invalid() { return nullptr; }
};
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};

template <class Traits>
class UniqueHandleT {
 public:
  UniqueHandleT() = default;
  explicit UniqueHandleT(HANDLE h) : m_h(h) {}
  ~UniqueHandleT() { reset(); }

  UniqueHandleT(UniqueHandleT&& other) noexcept : m_h(other.release()) {}
  UniqueHandleT& operator=(UniqueHandleT&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandleT(const UniqueHandleT&) = delete;
  UniqueHandleT& operator=(const UniqueHandleT&) = delete;

  HANDLE get() const { return m_h; }
  explicit operator bool() const { return m_h != Traits::Invalid(); }

  // Gives up ownership without closing.
  HANDLE release() {
    HANDLE h = m_h;
    m_h = Traits::Invalid();
    return h;
  }

  // Closes the handle held, if any, and takes h. Keeps the caller's last-error value: a destructor
  // running between a failed call and its GetLastError must not change what that call reported.
  void reset(HANDLE h = Traits::Invalid()) {
    if (m_h != Traits::Invalid()) {
      const DWORD lastError = GetLastError();
      CloseHandle(m_h);
      SetLastError(lastError);
    }
    m_h = h;
  }

  // For out-parameters: closes what is held and hands out the slot.
  HANDLE* put() {
    reset();
    return &m_h;
  }

 private:
  HANDLE m_h = Traits::Invalid();
};

using UniqueHandle = UniqueHandleT<NullHandleTraits>;
using UniqueFile = UniqueHandleT<FileHandleTraits>;
