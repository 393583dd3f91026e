#pragma once
// Move-only owners of handles, one template for every kind: kernel handles, a window's device context, an
// object selected into a device context. The deleter says which value means "nothing held" and gives the
// handle back, carrying whatever that needs (the window a device context came from). Kernel handles have
// two such values: most functions return NULL on failure, CreateFile returns INVALID_HANDLE_VALUE; each
// owner knows its own, so "if (h)" is always right.
#include <windows.h>

template <class T, class Deleter>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value, Deleter deleter = Deleter()) : m_value(value), m_deleter(deleter) {}
  ~UniqueResource() { reset(); }

  UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()), m_deleter(other.m_deleter) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      m_deleter = other.m_deleter;
    }
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  T get() const { return m_value; }
  explicit operator bool() const { return m_value != Deleter::Invalid(); }

  // Gives up ownership without giving the handle back.
  T release() {
    T value = m_value;
    m_value = Deleter::Invalid();
    return value;
  }

  // Gives back the handle held, if any, and takes value, which the same deleter will give back. Keeps the
  // caller's last-error value: a destructor running between a failed call and its GetLastError must not
  // change what that call reported.
  void reset(T value = Deleter::Invalid()) {
    if (m_value != Deleter::Invalid()) {
      const DWORD lastError = GetLastError();
      m_deleter(m_value);
      SetLastError(lastError);
    }
    m_value = value;
  }

  // For out-parameters: gives back what is held and hands out the slot.
  T* put() {
    reset();
    return &m_value;
  }

 private:
  T m_value = Deleter::Invalid();
  Deleter m_deleter;
};

struct CloseHandleDeleter {
  static HANDLE Invalid() { return nullptr; }
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFileDeleter {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
// A search of a folder's names from FindFirstFile ends with FindClose.
struct FindCloseDeleter {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueHandle = UniqueResource<HANDLE, CloseHandleDeleter>;
using UniqueFile = UniqueResource<HANDLE, CloseFileDeleter>;
using UniqueFind = UniqueResource<HANDLE, FindCloseDeleter>;

// A device context from GetDC goes back to the window it came from.
struct ReleaseDCDeleter {
  static HDC Invalid() { return nullptr; }
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
  HWND window;
};
using UniqueWindowDC = UniqueResource<HDC, ReleaseDCDeleter>;

inline UniqueWindowDC AcquireDC(HWND window) { return UniqueWindowDC(GetDC(window), ReleaseDCDeleter{window}); }

// An object selected into a device context: what it replaced is selected again, so that the device
// context goes back as it came. Holds the replaced object, which it does not own.
struct RestoreSelectionDeleter {
  static HGDIOBJ Invalid() { return nullptr; }
  void operator()(HGDIOBJ replaced) const { SelectObject(dc, replaced); }
  HDC dc;
};
using UniqueSelection = UniqueResource<HGDIOBJ, RestoreSelectionDeleter>;

inline UniqueSelection SelectIntoDC(HDC dc, HGDIOBJ object) {
  return UniqueSelection(SelectObject(dc, object), RestoreSelectionDeleter{dc});
}

// A GDI object the program made (a brush, a pen, a font) is deleted.
struct DeleteObjectDeleter {
  static HGDIOBJ Invalid() { return nullptr; }
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, DeleteObjectDeleter>;

// Memory the system handed out with LocalAlloc (a security descriptor made from its string form).
struct LocalFreeDeleter {
  static HLOCAL Invalid() { return nullptr; }
  void operator()(HLOCAL memory) const { LocalFree(memory); }
};
using UniqueLocalMemory = UniqueResource<HLOCAL, LocalFreeDeleter>;
