// Our own additions to the kernel part, with no CE counterpart: the narrow debug output helpers,
// the exit code of a program that a signal ended, the file system's view of the host (the root
// directory, host paths, the stream-device hooks), the platform record's file, the host's
// owner-only files and environment, and the hooks for tests (the clocks, the debug sink, the
// random source, the moment log, the bus between the head unit's programs and the name table's
// driver).
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdarg>
#include <functional>
#include <string>

// The exit code of a program that a signal ended (what GetExitCodeProcess then answers).
const DWORD kProcessKilledExitCode = 0xC0000005u;

namespace wce {
// Narrow printf-style text to the debug output, for the parts whose log lines are narrow text
// (our own; the line is cut at 1023 bytes as the callers' buffers were).
void DebugPrintV(const char* fmt, va_list ap);
void DebugPrint(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
}  // namespace wce

// ---- the file system seen through the host (filesys.h)
namespace wce {
// Stream devices ("ADB1:") are served by the device manager; it hooks itself in here so the
// kernel layer knows nothing of drivers.
struct StreamDeviceHooks {
  HANDLE (*m_pfnOpen)(LPCWSTR name, DWORD access, DWORD share) = nullptr;  // nullptr result: not a device
  BOOL (*m_pfnRead)(HANDLE h, LPVOID buf, DWORD len, LPDWORD read) = nullptr;
  BOOL (*m_pfnWrite)(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written) = nullptr;
  BOOL (*m_pfnClose)(HANDLE h) = nullptr;  // FALSE: not a device handle
};
// CreateFileW asks open first, CloseHandle asks close first. ReadFile and WriteFile serve the
// kernel's own file handles themselves and hand every other handle to read and write, so a
// device handle must never equal a kernel handle (the kernel's are multiples of 4 from 0x1000,
// counting up; a heap address of the device manager's own is safe).
void SetStreamDeviceHooks(const StreamDeviceHooks& hooks);

// Host directory that stands for the device's root ("/" of CE paths). Defaults to CORVANE_ROOT,
// else a directory "corvane-root" under the current directory.
void SetRootDir(const std::string& hostDir);
std::string GetRootDir();
// The host path for a CE path: backslashes become slashes, relative paths are taken from the root.
std::string HostPath(LPCWSTR cePath);
std::string HostPath(const std::u16string& cePath);
// The program's directory: its module file name up to and with the last backslash
// ("\SDMMC\CECorvane\"); empty when the name has no backslash or does not fit MAX_PATH.
std::u16string ProgramDirectory();
// Sets what GetModuleFileNameW reports.
void SetModuleFileName(const std::u16string& cePath);
// Tests: back to the default root (environment or "corvane-root"), the default module path and
// no stream-device hooks.
void ResetFileSystemView();
}  // namespace wce

// ---- the platform record (hal.h)
namespace wce {
// The platform record is built from the text file "\Windows\platform.ini" under the root view
// (lines board=..., device=..., catalog=..., and cpu_abi=...; UTF-8; blanks around key and value
// are dropped; other lines are ignored); no file, no record: the query fails. The file is read
// at every query.
std::u16string PlatformRecordCePath();
}  // namespace wce

// ---- the host's files and environment
namespace wce {
// Makes a new host file, readable and writable by its owner only whatever the umask, holding the
// size bytes at data. False when the file exists already, cannot be made, or was not written in
// full (what was written stays).
bool CreateOwnerOnlyFile(const std::string& hostPath, const void* data, size_t size);
// Sets (or replaces) a variable of this process's environment, which the programs that
// CreateProcessW starts inherit. False when the name is not a usable one.
bool SetEnvironmentValue(const char* name, const std::string& value);
}  // namespace wce

// ---- the random source for tests (crypt.h)
namespace wce {
// Test hook: when set, CryptGenRandom asks it for the bytes; returning false makes it fail
// (ERROR_GEN_FAILURE). An empty source (nullptr) restores the system's random bytes.
void SetRandomSource(std::function<bool(BYTE* buf, DWORD len)> source);
}  // namespace wce

// ---- hooks for tests
namespace wce {
// Replace the tick source (nullptr restores the real monotonic clock). Sleep still waits real time.
void SetTickSource(std::function<DWORD()> source);
// A clock the test drives: GetTickCount (and so every message's time) answers `start` until
// AdvanceTick moves it on, and Sleep(ms) moves it on by ms and returns after a yield, so code that
// paces itself with Sleep neither waits real time nor spins on a clock that never moves.
// Sleep(INFINITE) still never returns. Window timers and the message loop's sleep follow it (a
// timer falls due when the clock is moved past it); the timeouts of waits on kernel objects stay
// real time, since they bound a wait for another thread, which no test's clock drives, and a wait
// must end even when nobody moves the clock. SetTickSource(nullptr) restores the real clock.
void SetManualTick(DWORD start);
// Moves the manual clock, or the held one, on (wrapping at 32 bits); nothing on a running clock.
void AdvanceTick(DWORD ms);
// Holds the monotonic clock still: GetTickCount answers the tick of the moment it was held, moved
// only by AdvanceTick, until ReleaseTick lets it run on from there (never back, never skipping
// the time it stood). Sleep and every wait stay real time, so the program runs on as before while
// a test decides how much time a span of it saw; window timers fall due only as the clock moves.
// Nothing while a tick source or the manual clock is set.
void HoldTick();
void ReleaseTick();
// Real milliseconds to wait for the tick to move on by `ticks`: `ticks` on the real clock and on a
// tick source, INFINITE on the manual or a held clock, which moves only when told (the listeners hear it).
DWORD RealWaitForTicks(DWORD ticks);
// Calls `listener` on the moving thread, outside the clock's lock, each time the manual clock moves
// (AdvanceTick, Sleep) or the tick source changes, so that a thread waiting for a tick wakes.
void AddTickListener(std::function<void()> listener);
// Capture debug output: every finished line (UTF-8, without the trailing CR/LF) goes to the sink
// instead of stderr while one is set (nullptr restores stderr).
void SetDebugSink(std::function<void(const std::string& line)> sink);
// Forget every named kernel object (tests only; handles still open stay valid but unnamed).
void ResetKernelNames();
// Called on the starting thread with the new program's process id once CreateProcessW has started
// it, before CreateProcessW returns (nullptr: none), so that a test can hold the starter until
// the new program has got as far as the test needs.
void SetProcessStartHook(std::function<void(DWORD processId)> hook);

// ---- moments an observer outside the program sees (our own; CMomentLog.h): with CORVANE_MOMENTS
// naming a file, MarkMoment stores the monotonic clock's now in it, mapped in memory; unset, it
// does nothing. One thread of a program marks.
extern const char kMomentLogVariable[];
void MarkMoment();
// With CORVANE_LOG_TICKS set (not empty), every debug line written to standard error starts with
// the tick it was written at (GetTickCount) and a blank; a sink gets its lines without it.
extern const char kLogTicksVariable[];

// ---- the bus between the head unit's programs (our own). With CORVANE_BUS=shared the programs
// that share a root directory meet in its "bus" directory: kernel object names, registered
// message numbers, top-level windows and posted messages are seen by all of them. Unset (the
// default), every table is this process's own.
bool IsBusShared();
// <root>/bus, made when missing; empty when the bus is not shared.
std::string GetBusDir();
}  // namespace wce

struct NameTableDriver;
namespace wce {
// The kernel name table's driver (NameTableDriver.h); nullptr: the bus decides.
void SetNameTableDriver(const NameTableDriver* driver);
}  // namespace wce
