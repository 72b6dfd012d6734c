// Kernel services: threads, synchronisation objects, waits, time, last error and debug output.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/kernel/wcestr.h"

// ---- errors
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_GEN_FAILURE 31L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_NOT_OWNER 288L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_OPERATION_ABORTED 995L

DWORD GetLastError();
void SetLastError(DWORD err);

// ---- handles
BOOL CloseHandle(HANDLE h);

// ---- threads
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID param);
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
#define CREATE_SUSPENDED 0x00000004
HANDLE CreateThread(LPSECURITY_ATTRIBUTES sa, DWORD stack, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD code);
#define STILL_ACTIVE 259
DWORD GetCurrentThreadId();
HANDLE GetCurrentThread();
BOOL CeSetThreadPriority(HANDLE thread, int priority);
int CeGetThreadPriority(HANDLE thread);  // 251 (the CE default for normal threads) until set

// ---- processes. The program is a host executable at the CE path's place under the root directory;
// it gets the command line as one argument and this process's environment. A missing program fails
// with ERROR_FILE_NOT_FOUND. Every launch and every failure is a debug output line. Both handles
// of PROCESS_INFORMATION stand for the process: signalled when it has ended.
struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;
struct STARTUPINFOW;
typedef STARTUPINFOW* LPSTARTUPINFOW;
#define CREATE_NEW_CONSOLE 0x00000010
BOOL CreateProcessW(LPCWSTR appName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                    LPVOID environment, LPCWSTR currentDir, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION info);
// STILL_ACTIVE while the program runs.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD code);

// ---- events (named ones are shared process-wide by name)
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name);
HANDLE OpenEventW(DWORD access, BOOL inherit, LPCWSTR name);
#define EVENT_ALL_ACCESS 0x1F0003
BOOL SetEvent(HANDLE ev);
BOOL ResetEvent(HANDLE ev);
BOOL PulseEvent(HANDLE ev);
BOOL SetEventData(HANDLE ev, DWORD data);
DWORD GetEventData(HANDLE ev);

// ---- mutexes (named; ERROR_ALREADY_EXISTS when the name was taken, here or, on a shared bus, by
// another program)
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE m);

// ---- critical sections (recursive)
struct CRITICAL_SECTION {
  void* m_pImpl = nullptr;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);

// ---- waits
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
DWORD WaitForSingleObject(HANDLE h, DWORD ms);
// Wait-any only, as on CE (waitAll must be FALSE).
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);

// ---- time
void Sleep(DWORD ms);
DWORD GetTickCount();  // 32-bit milliseconds, monotonic, wraps
struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
void GetLocalTime(SYSTEMTIME* st);
void GetSystemTime(SYSTEMTIME* st);

// ---- interlocked
LONG InterlockedIncrement(LONG volatile* p);
LONG InterlockedDecrement(LONG volatile* p);
LONG InterlockedExchange(LONG volatile* p, LONG v);
LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand);

// ---- memory
// TRUE when any of the cb bytes at p cannot be read (nothing is read into the caller's view).
BOOL IsBadReadPtr(const void* p, UINT_PTR cb);

// ---- debug output (to stderr; tests capture it)
void NKDbgPrintfW(LPCWSTR fmt, ...);
void OutputDebugStringW(LPCWSTR text);
#define RETAILMSG(cond, printf_exp) ((cond) ? (NKDbgPrintfW printf_exp), 1 : 0)
#define DEBUGMSG(cond, printf_exp) ((void)0)
