// The phone link: a flat interface over one process-wide link state. Results are 0 (or a
// positive count) for success and negative codes for failure:
//   -2, -3, -4 driver registry setup (-3 also: not initialised), -5 driver not activated,
//   -6 "ADB1:" not found after activation, -7 getprop answer timed out, -8 Android level below 1,
//   -9 first helper not reported running, -10 local file missing (also a bad channel number),
//   -11 sync open failed, -12 transfer timed out, -13 no answer or USB lost,
//   -14 phone app not installed, -15 Android level above 23 (no first helper needed).
// Channels: 0 command, 1 video, 2 media audio, 3 TTS, 4 voice recognition, 5 touch and keys.
#pragma once

#include <kernel/wcetypes.h>

#include <cstdint>

int Corvane_Adb_Init();
int Corvane_Adb_Close();
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

int Corvane_Adb_Shell(const char* service);
int Corvane_Adb_StartPhoneApp();
int Corvane_Adb_KillVtsc();
int Corvane_Adb_StartVtsc();
int Corvane_Adb_PushVtim(const char* directory);
