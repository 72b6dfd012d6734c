// How a receiver takes its packages off its channel: a header first (8 bytes on the command
// channel, 12 on the stream channels), then the payload once it has fully arrived. A package the
// buffer cannot hold is read past as its bytes come, so the next header is read at its place;
// the receiver never loses its frame boundaries.
#pragma once

#include "engine/CPackageBuffer.h"
#include "engine/CorvaneChannel.h"
#include "engine/CorvaneFrame.h"

#include <atomic>
#include <cstdint>

class CPackageReader {
 public:
  enum Framing { kCommandFrame, kStreamFrame };
  enum Step { kNothing, kPackage, kSkipped, kBadType };
  typedef bool (*TypeCheck)(uint32_t type);

  // The receiver's names in its log lines: "ReSize <buffer> Rev Buffer ..." and
  // "<receiver> receivePackageData Error ...". A growth is logged only with logGrowth.
  struct LogNames {
    const char* m_pszBuffer;
    const char* m_pszReceiver;
    bool m_bLogGrowth;
  };

  // accepts (may be NULL: every type) is asked about each header before its payload is read.
  CPackageReader(int channel, CorvaneChannel::ReadFn read, Framing framing, uint32_t initialSize,
                 uint32_t limit, const LogNames& names, TypeCheck accepts = nullptr);

  // One step: kPackage with the payload in Data(), kSkipped when the package cannot be held (its
  // bytes are being read past), kBadType when the header's type was refused (the header is
  // dropped), kNothing when no whole package is there yet.
  Step ReadStep();
  // Back to waiting for a header with nothing to read past (a new connection). Like every call
  // here, only on the receive thread that owns the reader: other threads ask its receiver for a
  // reset, which the receive thread carries out at its next step.
  void Reset();

  // The parts of a step, for a receiver that reads its own way.
  // True once a header is pending: the one read before, or one read now.
  bool ReadHeader();
  // Makes room for the pending package, with the log lines; false when it cannot be held.
  bool Reserve();
  // Reads past length bytes as they arrive, the header no longer pending; true when they are behind.
  bool Skip(uint32_t length);
  // Goes on reading past what a Skip left; true when nothing is left.
  bool ContinueSkip();
  void DropHeader() { m_bHeaderPending = false; }

  // At construction: a buffer that could not be made is logged under the owner's name.
  void LogIfNoBuffer(const char* owner) const;

  const CorvaneChannel& Channel() const { return m_Channel; }
  bool IsConnected() const { return m_Channel.IsConnected(); }
  bool IsHeaderPending() const { return m_bHeaderPending; }
  uint32_t SkipRemaining() const { return m_nSkipRemaining; }
  uint32_t Length() const { return m_nLength; }
  uint32_t Timestamp() const { return m_nTimestamp; }
  uint32_t Type() const { return m_nType; }

  CPackageBuffer& Buffer() { return m_Buffer; }
  uint8_t* Data() { return m_Buffer.Data(); }
  uint32_t Capacity() const { return m_Buffer.Capacity(); }
  uint32_t Limit() const { return m_Buffer.Limit(); }
  // Sets the package in the buffer as if read (tests and fuzzing); false when it cannot be held.
  bool SetPackage(uint32_t type, const uint8_t* payload, uint32_t length);

 private:
  CorvaneChannel m_Channel;
  Framing m_Framing;
  LogNames m_Names;
  TypeCheck m_pfnAccepts;
  uint8_t m_byHeader[CorvaneFrame::kStreamHeaderSize];
  CPackageBuffer m_Buffer;
  uint32_t m_nLength = 0;
  uint32_t m_nTimestamp = 0;  // stream frames only; carried, not used
  uint32_t m_nType = 0;
  // Written by the owning thread; tests and the video hold read it from other threads.
  std::atomic<bool> m_bHeaderPending{false};
  // Bytes of a package that could not be held, still to be read past.
  uint32_t m_nSkipRemaining = 0;
};
