// A small stream driver "TST" for the device manager's tests: Write keeps the bytes, Read
// gives them back and blocks while there are none, until Close.
#include "platform/devmgr/devmgr.h"
#include "platform/kernel/kernel.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#define TST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_lock;
std::condition_variable g_changed;
std::vector<BYTE> g_data;
bool g_closed = false;
int g_inits = 0;

// Like a driver with a thread of its own, this library starts and joins a thread at its end, which
// runs while the loader holds its lock: the thread's first kernel calls must not need that lock.
DWORD UnloadThread(LPVOID) {
  NKDbgPrintfW(u"TST unload thread %u", static_cast<unsigned>(GetCurrentThreadId()));
  return 0;
}
struct LibraryEnd {
  ~LibraryEnd() {
    HANDLE thread = CreateThread(nullptr, 0, UnloadThread, nullptr, 0, nullptr);
    if (thread == nullptr) return;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
} g_end;
}  // namespace

TST_EXPORT DWORD_PTR TST_Init(LPCWSTR, LPCVOID) {
  std::lock_guard<std::mutex> lock(g_lock);
  ++g_inits;
  return 0x1234;
}
TST_EXPORT BOOL TST_Deinit(DWORD_PTR) {
  std::lock_guard<std::mutex> lock(g_lock);
  --g_inits;
  return TRUE;
}
TST_EXPORT DWORD_PTR TST_Open(DWORD_PTR device, DWORD, DWORD) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_closed = false;
  return device + 1;
}
TST_EXPORT BOOL TST_Close(DWORD_PTR) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_closed = true;
  g_changed.notify_all();
  return TRUE;
}
TST_EXPORT DWORD TST_Read(DWORD_PTR, LPVOID buffer, DWORD count) {
  std::unique_lock<std::mutex> lock(g_lock);
  g_changed.wait(lock, [] { return g_closed || !g_data.empty(); });
  const DWORD n = static_cast<DWORD>(std::min<size_t>(count, g_data.size()));
  if (n > 0) memcpy(buffer, g_data.data(), n);
  g_data.erase(g_data.begin(), g_data.begin() + n);
  return n;
}
TST_EXPORT DWORD TST_Write(DWORD_PTR, LPCVOID buffer, DWORD count) {
  std::lock_guard<std::mutex> lock(g_lock);
  const BYTE* p = static_cast<const BYTE*>(buffer);
  g_data.insert(g_data.end(), p, p + count);
  g_changed.notify_all();
  return count;
}
// Code 7: the number of active Inits, as one word.
TST_EXPORT BOOL TST_IOControl(DWORD_PTR, DWORD code, PBYTE, DWORD, PBYTE out, DWORD outSize,
                              PDWORD returned) {
  if (code != 7 || !out || outSize < 4) return FALSE;
  std::lock_guard<std::mutex> lock(g_lock);
  const DWORD v = static_cast<DWORD>(g_inits);
  memcpy(out, &v, 4);
  if (returned) *returned = 4;
  return TRUE;
}
