// The phone link: a flat interface over one process-wide link state. Results are 0 (or a
// positive count) for success and one of the negative codes below for failure.
// Channels: 0 command, 1 video, 2 media audio, 3 TTS, 4 voice recognition, 5 touch and keys.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdint>

// Failures of the link's entry points.
enum : int {
  kAdbRegistryClassFailed = -2,   // the driver's class key could not be written
  kAdbRegistryDllFailed = -3,     // the driver's "Dll" value is not in place
  kAdbNotInitialised = -3,        // the same code from a link that was never initialised
  kAdbRegistryClientFailed = -4,  // the USB client key could not be written
  kAdbDriverNotActivated = -5,
  kAdbDeviceNotFound = -6,    // "ADB1:" not found after activation
  kAdbGetpropTimeout = -7,    // a getprop answer did not come in time
  kAdbLevelBelowOne = -8,     // the phone's Android level is below 1
  kAdbHelperNotRunning = -9,  // the first helper was not reported running
  kAdbFileMissing = -10,      // a local file is missing (also: a bad channel number)
  kAdbSyncOpenFailed = -11,
  kAdbTransferTimeout = -12,
  kAdbNoAnswer = -13,         // no answer in time, or USB went away
  kAdbAppMissing = -14,       // the phone app is not installed
  kAdbHelperNotNeeded = -15,  // Android level above 23: no first helper is needed
};

// The projection channels, and the channel number that Corvane_Adb_TcpDisconnect takes for all.
constexpr int kAdbChannelCount = 6;
constexpr int kAdbAllChannels = kAdbChannelCount;

int Corvane_Adb_Init();
int Corvane_Adb_Close();
// The program is ending: every wait inside the link ends now, and every call until the close
// answers as if the phone were unplugged. The channels' close (Corvane_Adb_TcpDisconnect) still
// goes out and waits for the phone; Corvane_Adb_Close still does the whole close.
void Corvane_Adb_BeginClose();
BYTE Corvane_Adb_IsConnected();
BYTE Corvane_Adb_IsChannelConnected(int channel);
int Corvane_Adb_GetChannelDataSize(int channel);
int Corvane_Adb_SetTcpDataNotifyEvent(int channel, HANDLE event);
void Corvane_Adb_SetUsbThreadPriority(int priority);
void Corvane_Adb_SetPushDir(const char* directory);

void Corvane_Adb_TcpConnect();
int Corvane_Adb_TcpDisconnect(int channel);
int Corvane_Adb_TcpWrite(int channel, const void* data, int length);
int Corvane_Adb_TcpRead_CMD(uint8_t* buffer, int n);
int Corvane_Adb_TcpRead_Video(uint8_t* buffer, int n);
int Corvane_Adb_TcpRead_Media(uint8_t* buffer, int n);
int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n);
int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n);

// The shell service that brings the phone app to the front (starting it when it is not running).
inline constexpr char kAdbAppStartService[] =
    "shell:am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";

int Corvane_Adb_Shell(const char* service);
int Corvane_Adb_StartPhoneApp();
int Corvane_Adb_KillVtsc();
int Corvane_Adb_StartVtsc();
int Corvane_Adb_PushVtim(const char* directory);
