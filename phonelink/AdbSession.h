// The link state shared by the phone link's own files (not part of its interface).
// Member names follow the house table in platform/kernel/wcetypes.h.
#pragma once

#include "phonelink/AdbChannelTable.h"
#include "phonelink/AdbFilePushState.h"
#include "phonelink/AdbKeyList.h"
#include "phonelink/AdbLinkLife.h"
#include "phonelink/AdbPacket.h"
#include "phonelink/AdbRequestTracker.h"
#include "phonelink/AdbShellState.h"
#include "phonelink/AdbUsbContext.h"
#include "phonelink/AdbWriterContext.h"
#include "phonelink/CorvaneAdb.h"

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>

// Request kinds; the current-operation word also takes 1 (channel OPEN) and 2 (channel write),
// and 4, 5, 6 as the step of the single-image push.
enum AdbRequestKind : int32_t {
  ADB_KIND_PLAIN = 0,
  ADB_OP_CHANNEL_OPEN = 1,
  ADB_OP_CHANNEL_WRITE = 2,
  ADB_KIND_SYNC = 4,
  ADB_OP_IMAGE_SENDING = 5,
  ADB_KIND_PUSH_END = 6,
  ADB_KIND_CHMOD_VTSC = 7,
  ADB_KIND_RUN_VTSC = 8,
  ADB_KIND_VTIM = 9,
  ADB_KIND_PS_WATCH = 10,
  ADB_KIND_PS_KILL = 11,
  ADB_KIND_RELEASE = 13,
  ADB_KIND_SDK = 14,
  ADB_KIND_APP_START = 15,
  ADB_KIND_LS_JAR = 16,
};

// The one link state of the process, cut into parts that each name their owner beside their
// state. One object holds them all, so that Init and Close make and free every part in one
// place and in one order, under the link lock, and tests reset one thing.
struct CorvaneAdbSession {
  AdbLinkLife m_Life;
  AdbChannelTable m_Channels;
  AdbRequestTracker m_Tracker;
  AdbShellState m_Shell;
  AdbFilePushState m_Push;
  AdbUsbContext m_Usb;
  AdbWriterContext m_Writer;
  AdbKeyList m_Keys;
};

extern CorvaneAdbSession g_adb;

// Packets (AdbDispatch.cpp)
int SendAdbPacket(AdbPacket* packet, bool track, int32_t kind);
int SendAdbOpen(const char* service, int32_t kind);
int SendAdbOkay(uint32_t localId, uint32_t remoteId);
int SendAdbConnect();
void DispatchAdbPacket(AdbPacket* packet);
// Stale-id filter: false for a packet of the previous USB connection that is to be skipped.
bool AcceptAdbPacket(const AdbPacket* packet);

// USB threads (UsbTransport.cpp, AdbWriter.cpp)
int StartUsb();
void usb_close();
void SetUsbState(uint8_t state);
void setUsbThreadPriority(int priority);
int StartWriter(int priority);
void StopWriter();
int QueuePacket(AdbPacket* packet);
void ClearQueue();
bool usb_write(const void* data, uint32_t length);

// Link (CorvaneAdb.cpp)
void ResetOnUsbOut();

// Channels (TcpChannels.cpp)
void OpenChannel(int channel);

// Shell answers (ShellServices.cpp): each returns true when it answered the packet itself.
void HandleShellAnswer(int32_t kind, const AdbPacket* packet);
void HandleHelperWatchClose();

void ApplyWriterPriority(int priority);
bool UsbThreadsRunning();
bool WriterRunning();
// Tests: the one reset of the link while it is not running: ids, thread priority, keys and the
// public-key index, hooks, and the cached program directory.
void ResetLinkStateForTests();
