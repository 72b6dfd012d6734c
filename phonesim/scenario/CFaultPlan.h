#pragma once
// Faults on demand. A fault is written as KIND[=ARG][@STEP[#N]]:
//   drop@STEP             close the connection (a USB unplug) at a named step
//   drop-after-rx=N       close it once N bytes came from the host
//   drop-after-tx=N       close it once N bytes went to the host
//   bad-magic@STEP        send a packet whose magic is not ~command
//   oversize@STEP         send a WRTE whose header announces 5000 bytes (and the bytes)
//   stale-wrte[=ID]@STEP  send a WRTE to a host id that is no longer open
//   over-max@STEP         send a WRTE one byte longer than the negotiated maximum
//   bad-check@STEP        send a WRTE whose check word is not its bytes' sum
//   bad-command@STEP      send a packet of a command word no ADB knows (magic correct)
//   unopened-wrte@STEP    send a WRTE on a stream neither side ever opened
//   unopened-okay@STEP    send an OKAY on a stream neither side ever opened
//   second-cnxn@STEP      send a CNXN again although the connection is up
//   auth-token=LEN@STEP   send an AUTH token of LEN bytes (0: empty) before the real one
//   cut-short[=N]@STEP    send a WRTE header announcing N bytes (default 100) and only
//                         N / 2 of them; then the phone sends nothing more on this
//                         connection, which stays open
//   huge-length@STEP      send a WRTE header announcing 2^31-1 bytes and none of them;
//                         then silent as after cut-short
//   silent=SERVICE        OPENs of services starting with SERVICE get no answer at all
//   deaf-close=SERVICE    the host's CLSEs of streams of services starting with SERVICE
//                         get no answer and the streams stay open (a phone that hangs)
//   slow=BYTES:MS         deliver the device's bytes BYTES at a time, MS apart
//   split=BYTES           deliver the device's bytes in pieces of BYTES
//   replug-delay=MS       after a drop, refuse connections for MS milliseconds
// A STEP is a prefix of a step name the device passes ("cnxn", "auth",
// "connected", "open:SERVICE", "wrte:SERVICE", "close:SERVICE", "shell:COMMAND",
// "sync:SEND", "sync:DATA", "sync:DONE", "sync:QUIT", "sync:STAT", "sync:LIST",
// "sync:RECV"); "#N" picks the N-th match. Every fault but silent, deaf-close, slow
// and split fires once.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace phonesim {

enum class EFaultKind {
  Drop,
  DropAfterRx,
  DropAfterTx,
  BadMagic,
  Oversize,
  StaleWrte,
  OverMax,
  BadCheck,
  BadCommand,
  UnopenedWrte,
  UnopenedOkay,
  SecondCnxn,
  AuthToken,
  CutShort,
  HugeLength,
  Silent,
  DeafClose,
  Slow,
  Split,
  ReplugDelay
};

struct SFault {
  EFaultKind m_Kind = EFaultKind::Drop;
  std::string m_strStep;  // prefix of a step name; empty when not step-bound
  int m_nNth = 1;         // fire at the nth matching step
  int m_nSeen = 0;
  uint64_t m_nValue = 0;  // byte count, chunk size, id or delay
  uint32_t m_nMs = 0;     // slow: pause between chunks
  std::string m_strText;  // silent, deaf-close: service prefix
  bool m_bFired = false;
  std::string m_strRule;  // as written
};

struct SDelivery {
  size_t m_nChunk = 0;  // 0: whole writes
  uint32_t m_nPauseMs = 0;
};

class CFaultPlan {
 public:
  // Adds one fault from its text; false (and *error) when it does not parse.
  bool Add(const std::string& rule, std::string* error = nullptr);
  void Clear();

  // Step-bound faults that fire at this step (marked fired).
  std::vector<SFault> AtStep(const std::string& step);
  bool IsSilent(const std::string& service) const;
  bool IsDeafToClose(const std::string& service) const;
  // Byte limits for a new connection (0: none); taking them marks them fired.
  uint64_t TakeDropAfterRx();
  uint64_t TakeDropAfterTx();
  SDelivery Delivery() const;
  uint32_t ReplugDelayMs() const;
  std::vector<std::string> Rules() const;

 private:
  // Whether a service-bound fault of this kind names a prefix of service.
  bool Matches(EFaultKind kind, const std::string& service) const;

  mutable std::mutex m_Lock;
  std::vector<SFault> m_Faults;
};

}  // namespace phonesim
