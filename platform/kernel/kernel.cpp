#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include "platform/kernel/CDebugOutput.h"
#include "platform/kernel/CEventObject.h"
#include "platform/kernel/CFileSystemView.h"
#include "platform/kernel/CHandleTable.h"
#include "platform/kernel/CMutexObject.h"
#include "platform/kernel/CReadProbe.h"
#include "platform/kernel/CThreadObject.h"
#include "platform/kernel/WceFormat.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <sys/time.h>
#include <thread>
#include <cstdio>
#include <vector>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// CeGetThreadPriority's failure value.
constexpr int kThreadPriorityErrorReturn = 0x7FFFFFFF;

struct TickSource {
  std::mutex m_Lock;
  std::function<DWORD()> m_fnSource;  // empty: the monotonic clock
  bool m_bManual = false;             // source reads `now`, which Sleep and AdvanceTick move
  DWORD m_dwNow = 0;
  // The monotonic clock held still (HoldTick; never while a source is set, and setting one lets
  // go): it answers `m_dwHeldAt`, which only AdvanceTick moves; let go, it runs on from there, `shift`
  // behind the monotonic clock.
  bool m_bHeld = false;
  DWORD m_dwHeldAt = 0;
  DWORD m_dwShift = 0;
};

DWORD MonotonicMs() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

TickSource& Ticks() {
  static TickSource* ticks = new TickSource();  // never destroyed: late threads still read it
  return *ticks;
}

struct TickListeners {
  std::mutex m_Lock;
  std::vector<std::function<void()>> m_Listeners;
};

TickListeners& Listeners() {
  static TickListeners* listeners = new TickListeners();  // never destroyed, as Ticks()
  return *listeners;
}

// Called once the clock's lock is let go: a listener may read the tick.
void TellTickMoved() {
  std::vector<std::function<void()>> listeners;
  {
    TickListeners& l = Listeners();
    std::lock_guard<std::mutex> lock(l.m_Lock);
    listeners = l.m_Listeners;
  }
  for (const auto& listener : listeners) listener();
}

CHandleTable& Handles() {
  return CHandleTable::GetInstance();
}

std::shared_ptr<CEventObject> LookupEvent(HANDLE h) {
  auto ev = Handles().LookupAs<CEventObject>(h, CKernelObject::Type::Event);
  if (!ev) SetLastError(ERROR_INVALID_HANDLE);
  return ev;
}

std::shared_ptr<CThreadObject> LookupThread(HANDLE h) {
  auto th = Handles().LookupAs<CThreadObject>(h, CKernelObject::Type::Thread);
  if (!th) SetLastError(ERROR_INVALID_HANDLE);
  return th;
}

std::shared_ptr<CWaitableObject> LookupWaitable(HANDLE h) {
  std::shared_ptr<CKernelObject> obj = Handles().Lookup(h);
  if (!obj || obj->GetType() == CKernelObject::Type::File) return nullptr;
  return std::static_pointer_cast<CWaitableObject>(obj);
}

// Events and mutexes share the named-object path: a taken name answers ERROR_ALREADY_EXISTS
// with a handle to the object that has it; a name held by the other type fails.
HANDLE CreateNamedObject(LPCWSTR name, CKernelObject::Type type,
                         const std::function<std::shared_ptr<CKernelObject>()>& make) {
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_SUCCESS);
    return Handles().Insert(make());
  }
  bool existed = false;
  HANDLE h = Handles().CreateNamed(name, type, make, existed);
  if (h == nullptr)
    SetLastError(ERROR_INVALID_HANDLE);
  else
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

std::recursive_mutex* CsImpl(LPCRITICAL_SECTION cs) {
  if (cs == nullptr || cs->m_pImpl == nullptr) {
    NKDbgPrintfW(u"!!!!!!! critical section %p used without InitializeCriticalSection\r\n", cs);
    return nullptr;
  }
  return static_cast<std::recursive_mutex*>(cs->m_pImpl);
}

void FillSystemTime(SYSTEMTIME* st, bool local) {
  if (st == nullptr) return;
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  struct tm t;
  if (local)
    localtime_r(&secs, &t);
  else
    gmtime_r(&secs, &t);
  st->wYear = static_cast<WORD>(t.tm_year + 1900);
  st->wMonth = static_cast<WORD>(t.tm_mon + 1);
  st->wDayOfWeek = static_cast<WORD>(t.tm_wday);
  st->wDay = static_cast<WORD>(t.tm_mday);
  st->wHour = static_cast<WORD>(t.tm_hour);
  st->wMinute = static_cast<WORD>(t.tm_min);
  st->wSecond = static_cast<WORD>(t.tm_sec);
  st->wMilliseconds = static_cast<WORD>(tv.tv_usec / 1000);
}

}  // namespace

DWORD GetLastError() {
  return t_lastError;
}

void SetLastError(DWORD err) {
  t_lastError = err;
}

BOOL CloseHandle(HANDLE h) {
  // The device manager's handles are its own; it answers FALSE for any other.
  wce::StreamDeviceHooks hooks = CFileSystemView::GetInstance().GetHooks();
  if (hooks.m_pfnClose != nullptr) {
    DWORD saved = GetLastError();
    if (hooks.m_pfnClose(h)) return TRUE;
    SetLastError(saved);
  }
  if (!Handles().Close(h)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE start, LPVOID param, DWORD flags,
                    LPDWORD threadId) {
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto thread = std::make_shared<CThreadObject>(CThreadObject::AllocateId(), (flags & CREATE_SUSPENDED) != 0);
  HANDLE h = Handles().Insert(thread);
  try {
    std::thread(CThreadObject::Run, thread, start, param).detach();
  } catch (...) {
    Handles().Close(h);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = thread->GetThreadId();
  return h;
}

DWORD ResumeThread(HANDLE h) {
  auto thread = LookupThread(h);
  return thread ? thread->Resume() : 0xFFFFFFFFu;
}

BOOL GetExitCodeThread(HANDLE h, LPDWORD code) {
  auto thread = LookupThread(h);
  if (!thread) return FALSE;
  if (code == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *code = thread->GetExitCode();
  return TRUE;
}

DWORD GetCurrentThreadId() {
  return CThreadObject::CurrentId();
}

HANDLE GetCurrentThread() {
  return CHandleTable::CurrentThreadPseudoHandle();
}

BOOL CeSetThreadPriority(HANDLE h, int priority) {
  auto thread = LookupThread(h);
  if (!thread) return FALSE;
  if (priority < 0 || priority > 255) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  thread->SetPriority(priority);
  return TRUE;
}

int CeGetThreadPriority(HANDLE h) {
  auto thread = LookupThread(h);
  return thread ? thread->GetPriority() : kThreadPriorityErrorReturn;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  return CreateNamedObject(name, CKernelObject::Type::Event, [&] {
    return std::make_shared<CEventObject>(manualReset != FALSE, initialState != FALSE);
  });
}

HANDLE OpenEventW(DWORD, BOOL, LPCWSTR name) {
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE h = Handles().OpenNamed(name, CKernelObject::Type::Event);
  if (h == nullptr) SetLastError(ERROR_FILE_NOT_FOUND);
  return h;
}

BOOL SetEvent(HANDLE h) {
  auto ev = LookupEvent(h);
  if (!ev) return FALSE;
  ev->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE h) {
  auto ev = LookupEvent(h);
  if (!ev) return FALSE;
  ev->Reset();
  return TRUE;
}

BOOL PulseEvent(HANDLE h) {
  auto ev = LookupEvent(h);
  if (!ev) return FALSE;
  ev->Pulse();
  return TRUE;
}

BOOL SetEventData(HANDLE h, DWORD data) {
  auto ev = LookupEvent(h);
  if (!ev) return FALSE;
  ev->SetData(data);
  return TRUE;
}

DWORD GetEventData(HANDLE h) {
  auto ev = LookupEvent(h);
  if (!ev) return 0;
  SetLastError(ERROR_SUCCESS);  // 0 is a valid datum: callers tell it from failure this way
  return ev->GetData();
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
  DWORD owner = initialOwner ? GetCurrentThreadId() : 0;
  return CreateNamedObject(name, CKernelObject::Type::Mutex,
                           [&] { return std::make_shared<CMutexObject>(owner); });
}

BOOL ReleaseMutex(HANDLE h) {
  auto mutex = Handles().LookupAs<CMutexObject>(h, CKernelObject::Type::Mutex);
  if (!mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!mutex->Release(GetCurrentThreadId())) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs != nullptr) cs->m_pImpl = new std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs == nullptr) return;
  delete static_cast<std::recursive_mutex*>(cs->m_pImpl);
  cs->m_pImpl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (std::recursive_mutex* m = CsImpl(cs)) m->lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  std::recursive_mutex* m = CsImpl(cs);
  return m != nullptr && m->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  if (std::recursive_mutex* m = CsImpl(cs)) m->unlock();
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  return WaitForMultipleObjects(1, &h, FALSE, ms);
}

static_assert(MAXIMUM_WAIT_OBJECTS == kMaxWaitObjects,
              "a wait block holds a link per object a wait may name");

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr || waitAll) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  // The references taken here keep every object alive until the wait returns, whatever
  // another thread closes meanwhile.
  std::shared_ptr<CWaitableObject> objects[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = LookupWaitable(handles[i]);
    if (!objects[i]) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
  }
  return CDispatcher::GetInstance().WaitAny(objects, count, ms);
}

void Sleep(DWORD ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  if (ms == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  bool manual = false;
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    manual = t.m_bManual;
    if (manual) t.m_dwNow += ms;
  }
  if (manual) {
    TellTickMoved();
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

DWORD GetTickCount() {
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    if (t.m_fnSource) return t.m_fnSource();
    if (t.m_bHeld) return t.m_dwHeldAt;
    return MonotonicMs() - t.m_dwShift;
  }
}

void GetLocalTime(SYSTEMTIME* st) {
  FillSystemTime(st, true);
}

void GetSystemTime(SYSTEMTIME* st) {
  FillSystemTime(st, false);
}

LONG InterlockedIncrement(LONG volatile* p) {
  return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* p) {
  return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(LONG volatile* p, LONG v) {
  return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(p, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;  // the value found, whether or not it was replaced
}

void NKDbgPrintfW(LPCWSTR fmt, ...) {
  std::u16string text;
  va_list ap;
  va_start(ap, fmt);
  WceFormatAppendV(text, fmt, ap);
  va_end(ap);
  CDebugOutput::GetInstance().Write(text);
}

void wce::DebugPrintV(const char* fmt, va_list ap) {
  char line[1024];
  std::vsnprintf(line, sizeof(line), fmt, ap);
  NKDbgPrintfW(u"%hs", line);
}

void wce::DebugPrint(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  DebugPrintV(fmt, ap);
  va_end(ap);
}

BOOL IsBadReadPtr(const void* p, UINT_PTR cb) {
  if (cb == 0) return FALSE;
  if (p == nullptr) return TRUE;
  const uintptr_t first = reinterpret_cast<uintptr_t>(p);
  if (first + cb < first) return TRUE;
  return CReadProbe::IsReadable(p, cb) ? FALSE : TRUE;
}

void OutputDebugStringW(LPCWSTR text) {
  if (text != nullptr) CDebugOutput::GetInstance().Write(text);
}

namespace wce {

void SetTickSource(std::function<DWORD()> source) {
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    t.m_fnSource = std::move(source);
    t.m_bManual = false;
    t.m_bHeld = false;
  }
  TellTickMoved();
}

void SetManualTick(DWORD start) {
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    t.m_dwNow = start;
    t.m_bManual = true;
    t.m_bHeld = false;
    // Read under the lock GetTickCount already holds.
    t.m_fnSource = [&t] { return t.m_dwNow; };
  }
  TellTickMoved();
}

void AdvanceTick(DWORD ms) {
  bool moved = false;
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    if (t.m_bManual) t.m_dwNow += ms;
    if (t.m_bHeld) t.m_dwHeldAt += ms;
    moved = t.m_bManual || t.m_bHeld;
  }
  if (moved) TellTickMoved();
}

void HoldTick() {
  TickSource& t = Ticks();
  std::lock_guard<std::mutex> lock(t.m_Lock);
  if (t.m_fnSource || t.m_bHeld) return;
  t.m_dwHeldAt = MonotonicMs() - t.m_dwShift;
  t.m_bHeld = true;
}

void ReleaseTick() {
  {
    TickSource& t = Ticks();
    std::lock_guard<std::mutex> lock(t.m_Lock);
    if (!t.m_bHeld) return;
    t.m_dwShift = MonotonicMs() - t.m_dwHeldAt;
    t.m_bHeld = false;
  }
  TellTickMoved();
}

DWORD RealWaitForTicks(DWORD ticks) {
  TickSource& t = Ticks();
  std::lock_guard<std::mutex> lock(t.m_Lock);
  return t.m_bManual || t.m_bHeld ? INFINITE : ticks;
}

void AddTickListener(std::function<void()> listener) {
  TickListeners& l = Listeners();
  std::lock_guard<std::mutex> lock(l.m_Lock);
  l.m_Listeners.push_back(std::move(listener));
}

void SetDebugSink(std::function<void(const std::string& line)> sink) {
  CDebugOutput::GetInstance().SetSink(std::move(sink));
}

void ResetKernelNames() {
  CHandleTable::GetInstance().ResetNames();
}

}  // namespace wce
