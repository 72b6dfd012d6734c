#include "phonesim/adb/CAdbDevice.h"

#include <algorithm>
#include <cstring>

#include "phonesim/adb/CAdbAuth.h"
#include "phonesim/record/CSimRecord.h"
#include "phonesim/scenario/CFaultPlan.h"
#include "phonesim/services/CShellService.h"
#include "phonesim/services/CSyncService.h"
#include "phonesim/services/CTcpService.h"
#include "phonesim/transport/CSimConnection.h"

namespace phonesim {

namespace {
constexpr int kPollTickMs = 50;
constexpr uint32_t kOversizeLength = 5000;
// "XXXX": no ADB, old or new, has this command.
constexpr uint32_t kUnknownCommand = 0x58585858;
constexpr uint32_t kHugeLength = 0x7FFFFFFF;
}  // namespace

CAdbDevice::CAdbDevice(std::unique_ptr<CSimConnection> conn, const SPhoneContext& ctx)
    : m_pConn(std::move(conn)), m_Ctx(ctx), m_pCore(std::make_shared<SDeviceCore>()) {
  m_pCore->m_pDevice = this;
}

CAdbDevice::~CAdbDevice() {
  std::vector<std::unique_ptr<CSimService>> gone;
  {
    std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
    m_pCore->m_pDevice = nullptr;
    m_bOnline = false;
    for (auto& kv : m_Streams) {
      if (kv.second.m_pServiceObj) kv.second.m_pServiceObj->OnClose();
      m_Ctx.m_pRecord->StreamClosed(kv.first);
      gone.push_back(std::move(kv.second.m_pServiceObj));
    }
    m_Streams.clear();
    m_Timers.clear();
  }
}

const char* CAdbDevice::DropReason() const {
  return m_pConn->DropReason();
}

void CAdbDevice::Drop(const char* reason) {
  m_pConn->SetDropReason(reason);
  m_pConn->Drop();
}

uint32_t CAdbDevice::MaxSend() const {
  // Never more than the host can take: the head unit reads 4096 at most.
  uint32_t own = m_Ctx.m_Config.m_nMaxPayload;
  return m_nHostMax != 0 && m_nHostMax < own ? m_nHostMax : own;
}

uint32_t CAdbDevice::MaxRecv() const {
  // Until the host's CNXN is in, our own announced maximum is the limit.
  return MaxSend();
}

bool CAdbDevice::ReadPacket(CAdbPacket* p) {
  uint8_t head[ADB_HEADER_SIZE];
  if (!m_pConn->RecvExact(head, sizeof head)) return false;
  *p = CAdbPacket::DecodeHeader(head);
  if (p->m_nDataLength > PHONESIM_HARD_PAYLOAD_CAP) {
    m_Ctx.m_pRecord->Packet(true, *p);
    m_Ctx.m_pRecord->Violation("payload length " + std::to_string(p->m_nDataLength) + " of " +
                               CAdbPacket::CommandName(p->m_nCommand) +
                               " cannot be read; dropping the connection");
    Drop("unreadable length");
    return false;
  }
  p->m_Payload.resize(p->m_nDataLength);
  if (p->m_nDataLength > 0 && !m_pConn->RecvExact(p->m_Payload.data(), p->m_nDataLength)) {
    p->m_Payload.clear();
    m_Ctx.m_pRecord->Packet(true, *p);
    return false;
  }
  return true;
}

bool CAdbDevice::CheckPacket(const CAdbPacket& p) {
  bool ok = true;
  std::string name = CAdbPacket::CommandName(p.m_nCommand);
  if (!p.MagicOk()) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "bad magic 0x%08x for command 0x%08x", p.m_nMagic, p.m_nCommand);
    m_Ctx.m_pRecord->Violation(buf);
    ok = false;
  }
  if (p.m_nDataLength > MaxRecv()) {
    m_Ctx.m_pRecord->Violation(name + " payload " + std::to_string(p.m_nDataLength) + " over the maximum " +
                               std::to_string(MaxRecv()));
    ok = false;
  }
  // The check word may be left out only from the skip-checksum version on.
  // Our own version is below it, so after the CNXN every packet needs it;
  // the host's CNXN itself follows the version that it announces.
  bool need_check = !(p.m_nCommand == A_CNXN && p.m_nArg0 >= A_VERSION_SKIP_CHECKSUM);
  if (need_check && !p.ChecksumOk()) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s check word 0x%08x, byte sum is 0x%08x", name.c_str(), p.m_nDataCheck,
                  CAdbPacket::Checksum(p.m_Payload.data(), p.m_Payload.size()));
    m_Ctx.m_pRecord->Violation(buf);
    ok = false;
  }
  return ok;
}

void CAdbDevice::Run(const std::atomic<bool>& stop) {
  std::vector<std::unique_ptr<CSimService>> graveyard;
  while (!stop && !m_pConn->Dropped()) {
    int wait = kPollTickMs;
    {
      std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
      wait = std::min(wait, MsToNextTimer());
    }
    if (m_pConn->WaitReadable(wait)) {
      CAdbPacket p;
      if (!ReadPacket(&p)) break;
      m_Ctx.m_pRecord->Packet(true, p);
      std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
      if (CheckPacket(p)) Handle(p);
    }
    std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
    RunDueTimers();
  }
  m_pConn->Drop();
}

int CAdbDevice::MsToNextTimer() const {
  if (m_Timers.empty()) return kPollTickMs;
  auto now = std::chrono::steady_clock::now();
  auto next = m_Timers.front().m_Due;
  for (const auto& t : m_Timers) next = std::min(next, t.m_Due);
  if (next <= now) return 0;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count()) + 1;
}

void CAdbDevice::RunDueTimers() {
  auto now = std::chrono::steady_clock::now();
  std::vector<STimer> due;
  for (auto it = m_Timers.begin(); it != m_Timers.end();) {
    if (it->m_Due <= now) {
      due.push_back(std::move(*it));
      it = m_Timers.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& t : due)
    if (!m_pConn->Dropped()) t.m_fnCall();
}

void CAdbDevice::After(int ms, std::function<void()> fn) {
  m_Timers.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), std::move(fn)});
}

bool CAdbDevice::Send(const CAdbPacket& p) {
  if (m_pConn->Dropped()) return false;
  if (m_bMuted) {
    m_Ctx.m_pRecord->Event("muted: " + CAdbPacket::CommandName(p.m_nCommand) + " not sent");
    return true;
  }
  m_Ctx.m_pRecord->Packet(false, p);
  std::vector<uint8_t> bytes = p.Encode();
  return m_pConn->Send(bytes.data(), bytes.size());
}

void CAdbDevice::Handle(const CAdbPacket& p) {
  switch (p.m_nCommand) {
    case A_CNXN:
      HandleCnxn(p);
      return;
    case A_AUTH:
      HandleAuth(p);
      return;
    default:
      break;
  }
  if (!m_bOnline) {
    m_Ctx.m_pRecord->Violation(CAdbPacket::CommandName(p.m_nCommand) +
                               " before the connection is up; ignored");
    return;
  }
  switch (p.m_nCommand) {
    case A_OPEN:
      HandleOpen(p);
      return;
    case A_OKAY:
      HandleOkay(p);
      return;
    case A_WRTE:
      HandleWrte(p);
      return;
    case A_CLSE:
      HandleClse(p);
      return;
    default:
      m_Ctx.m_pRecord->Violation("unknown command " + CAdbPacket::CommandName(p.m_nCommand) + "; ignored");
      return;
  }
}

void CAdbDevice::SendConnect() {
  CAdbPacket c =
      CAdbPacket::MakeText(A_CNXN, A_VERSION, m_Ctx.m_Config.m_nMaxPayload, m_Ctx.m_Config.m_strBanner);
  // Online before the CNXN leaves: a host that has read it may ask at once.
  m_bOnline = true;
  if (!Send(c)) {
    m_bOnline = false;
    return;
  }
  m_Token.clear();
  m_Ctx.m_pRecord->Event("online");
  Step("connected", 0);
}

void CAdbDevice::SendToken() {
  m_Token = CAdbAuth::NewToken();
  Send(CAdbPacket::Make(A_AUTH, ADB_AUTH_TOKEN, 0, m_Token.data(), m_Token.size()));
}

void CAdbDevice::HandleCnxn(const CAdbPacket& p) {
  m_bGotCnxn = true;
  m_nHostVersion = p.m_nArg0;
  m_nHostMax = p.m_nArg1;
  std::string banner(p.m_Payload.begin(), std::find(p.m_Payload.begin(), p.m_Payload.end(), uint8_t(0)));
  m_Ctx.m_pRecord->Event("host CNXN version=" + std::to_string(p.m_nArg0) +
                         " max=" + std::to_string(p.m_nArg1) + " banner=\"" + banner + "\"");
  if (p.m_nArg1 == 0) m_Ctx.m_pRecord->Violation("host CNXN announces a maximum payload of 0");
  if (!Step("cnxn", 0)) return;
  // A repeated CNXN starts the connection over, as on a real device.
  if (m_bOnline) {
    std::vector<uint32_t> ids;
    for (auto& kv : m_Streams) ids.push_back(kv.first);
    for (uint32_t id : ids) Forget(id, true);
    m_bOnline = false;
  }
  if (m_Ctx.m_Config.m_bAuth)
    SendToken();
  else
    SendConnect();
}

void CAdbDevice::HandleAuth(const CAdbPacket& p) {
  if (!m_Ctx.m_Config.m_bAuth || m_bOnline) {
    m_Ctx.m_pRecord->Violation("AUTH when none was asked for; ignored");
    return;
  }
  if (!Step("auth", 0)) return;
  if (p.m_nArg0 == ADB_AUTH_SIGNATURE) {
    if (m_Token.empty()) {
      m_Ctx.m_pRecord->Violation("AUTH signature without a token; ignored");
      return;
    }
    if (m_Ctx.m_pAuth->Verify(m_Token, p.m_Payload.data(), p.m_Payload.size())) {
      m_Ctx.m_pRecord->Event("auth: signature accepted");
      SendConnect();
    } else {
      m_Ctx.m_pRecord->Event("auth: signature refused");
      SendToken();
    }
    return;
  }
  if (p.m_nArg0 == ADB_AUTH_RSAPUBLICKEY) {
    std::string text(p.m_Payload.begin(), std::find(p.m_Payload.begin(), p.m_Payload.end(), uint8_t(0)));
    std::vector<uint8_t> n;
    uint32_t e = 0;
    std::string why;
    if (!CAdbAuth::ParsePublicKey(text, &n, &e, &why)) {
      m_Ctx.m_pRecord->Violation("AUTH public key: " + why);
      return;
    }
    if (!m_Ctx.m_Config.m_bAcceptKeys) {
      // The user never answers the dialog: nothing goes back.
      m_Ctx.m_pRecord->Event("auth: public key offered, not accepted");
      return;
    }
    m_Ctx.m_pAuth->Trust(text, true);
    m_Ctx.m_pRecord->Event("auth: public key accepted");
    SendConnect();
    return;
  }
  m_Ctx.m_pRecord->Violation("AUTH type " + std::to_string(p.m_nArg0) + "; ignored");
}

CAdbDevice::SStream* CAdbDevice::Find(uint32_t id) {
  auto it = m_Streams.find(id);
  return it == m_Streams.end() ? nullptr : &it->second;
}

bool CAdbDevice::StreamOpen(uint32_t id) const {
  auto it = m_Streams.find(id);
  return it != m_Streams.end() && !it->second.m_bClosePending;
}

size_t CAdbDevice::StreamQueued(uint32_t id) const {
  auto it = m_Streams.find(id);
  return it == m_Streams.end() ? 0 : it->second.m_nQueued;
}

void CAdbDevice::HandleOpen(const CAdbPacket& p) {
  std::string service(p.m_Payload.begin(), std::find(p.m_Payload.begin(), p.m_Payload.end(), uint8_t(0)));
  if (p.m_nArg0 == 0) {
    m_Ctx.m_pRecord->Violation("OPEN \"" + service + "\" with host id 0; ignored");
    return;
  }
  m_nHighestHostId = std::max(m_nHighestHostId, p.m_nArg0);
  if (!Step("open:" + service, 0)) return;
  if (m_Ctx.m_pFaults->IsSilent(service)) {
    m_Ctx.m_pRecord->Event("silent service \"" + service + "\": no answer");
    return;
  }
  uint32_t id = m_Ctx.m_pNextId->fetch_add(1);
  auto link = std::make_shared<CAdbStreamLink>(m_pCore, id, service);
  std::unique_ptr<CSimService> svc;
  if (service.compare(0, 6, "shell:") == 0)
    svc = std::make_unique<CShellService>(link, m_Ctx.m_pShell, m_Ctx.m_pRecord);
  else if (service == "sync:")
    svc = std::make_unique<CSyncService>(link, m_Ctx.m_pFs, m_Ctx.m_pRecord);
  else if (service.compare(0, 4, "tcp:") == 0)
    svc = std::make_unique<CTcpService>(link, m_Ctx.m_pEndpoints);
  if (!svc || !svc->Accept()) {
    m_Ctx.m_pRecord->Event("refused service \"" + service + "\"");
    Send(CAdbPacket::Make(A_CLSE, 0, p.m_nArg0));
    return;
  }
  SStream& s = m_Streams[id];
  s.m_nDeviceId = id;
  s.m_nHostId = p.m_nArg0;
  s.m_strService = service;
  s.m_pServiceObj = std::move(svc);
  m_Ctx.m_pRecord->StreamOpened(id, p.m_nArg0, service);
  if (!Send(CAdbPacket::Make(A_OKAY, id, p.m_nArg0))) return;
  CSimService* obj = s.m_pServiceObj.get();
  obj->OnOpen();
}

void CAdbDevice::HandleOkay(const CAdbPacket& p) {
  SStream* s = Find(p.m_nArg1);
  if (s == nullptr || s->m_nHostId != p.m_nArg0) return;  // unknown or closed stream
  if (s->m_bWaitingOkay) s->m_nQueued -= std::min(s->m_nQueued, s->m_nInflight);
  s->m_nInflight = 0;
  s->m_bWaitingOkay = false;
  Pump(*s);
}

void CAdbDevice::HandleWrte(const CAdbPacket& p) {
  SStream* s = Find(p.m_nArg1);
  if (s == nullptr || s->m_nHostId != p.m_nArg0) return;
  uint32_t id = s->m_nDeviceId;
  m_Ctx.m_pRecord->StreamBytes(id, true, p.m_Payload.size());
  if (!Step("wrte:" + s->m_strService, id)) return;
  s = Find(id);
  if (s == nullptr) return;
  if (!Send(CAdbPacket::Make(A_OKAY, id, s->m_nHostId))) return;
  CSimService* obj = s->m_pServiceObj.get();
  if (obj != nullptr) obj->OnData(p.m_Payload.data(), p.m_Payload.size());
}

void CAdbDevice::HandleClse(const CAdbPacket& p) {
  SStream* s = Find(p.m_nArg1);
  if (s == nullptr || s->m_nHostId != p.m_nArg0) return;
  uint32_t id = s->m_nDeviceId;
  if (!Step("close:" + s->m_strService, id)) return;
  s = Find(id);
  if (s == nullptr) return;
  if (m_Ctx.m_pFaults->IsDeafToClose(s->m_strService)) {
    m_Ctx.m_pRecord->Event("deaf to close of \"" + s->m_strService + "\": no answer");
    return;
  }
  Send(CAdbPacket::Make(A_CLSE, id, s->m_nHostId));
  Forget(id, true);
}

void CAdbDevice::Forget(uint32_t id, bool tell_service) {
  auto it = m_Streams.find(id);
  if (it == m_Streams.end()) return;
  std::unique_ptr<CSimService> obj = std::move(it->second.m_pServiceObj);
  m_Ctx.m_pLastClosedHostId->store(it->second.m_nHostId);
  m_Streams.erase(it);
  m_Ctx.m_pRecord->StreamClosed(id);
  if (obj && tell_service) obj->OnClose();
  // The service may be the caller (it closed itself from OnData): keep the
  // object alive until the connection thread is back at its loop.
  if (obj) After(0, [held = std::shared_ptr<CSimService>(std::move(obj))] {});
}

bool CAdbDevice::StreamWrite(uint32_t id, const uint8_t* data, size_t len) {
  SStream* s = Find(id);
  if (s == nullptr || s->m_bClosePending || m_pConn->Dropped()) return false;
  size_t max = MaxSend();
  for (size_t off = 0; off < len; off += max) {
    size_t n = std::min(max, len - off);
    s->m_Out.emplace_back(data + off, data + off + n);
  }
  s->m_nQueued += len;
  Pump(*s);
  return true;
}

void CAdbDevice::StreamClose(uint32_t id) {
  SStream* s = Find(id);
  if (s == nullptr || s->m_bClosePending) return;
  s->m_bClosePending = true;
  Pump(*s);
}

void CAdbDevice::Pump(SStream& s) {
  // One WRTE in flight per stream: the next waits for the host's OKAY.
  while (!s.m_bWaitingOkay && !s.m_Out.empty()) {
    std::vector<uint8_t> chunk = std::move(s.m_Out.front());
    s.m_Out.pop_front();
    s.m_bWaitingOkay = true;
    s.m_nInflight = chunk.size();
    m_Ctx.m_pRecord->StreamBytes(s.m_nDeviceId, false, chunk.size());
    if (!Send(CAdbPacket::Make(A_WRTE, s.m_nDeviceId, s.m_nHostId, chunk.data(), chunk.size()))) return;
  }
  if (s.m_bClosePending && !s.m_bWaitingOkay && s.m_Out.empty()) {
    uint32_t id = s.m_nDeviceId;
    Send(CAdbPacket::Make(A_CLSE, id, s.m_nHostId));
    Forget(id, true);
  }
}

bool CAdbDevice::Step(const std::string& step, uint32_t stream_id) {
  for (const SFault& f : m_Ctx.m_pFaults->AtStep(step)) {
    m_Ctx.m_pRecord->Event("fault " + f.m_strRule + " at " + step);
    switch (f.m_Kind) {
      case EFaultKind::Drop:
        Drop("fault");
        break;
      case EFaultKind::BadMagic:
      case EFaultKind::Oversize:
      case EFaultKind::StaleWrte:
      case EFaultKind::OverMax:
      case EFaultKind::BadCheck:
      case EFaultKind::BadCommand:
      case EFaultKind::UnopenedWrte:
      case EFaultKind::UnopenedOkay:
      case EFaultKind::SecondCnxn:
      case EFaultKind::AuthToken:
      case EFaultKind::CutShort:
      case EFaultKind::HugeLength:
        InjectFault(static_cast<int>(f.m_Kind), stream_id, f.m_nValue);
        break;
      default:
        break;
    }
  }
  return !m_pConn->Dropped();
}

void CAdbDevice::InjectFault(int kind, uint32_t stream_id, uint64_t arg) {
  SStream* s = stream_id != 0 ? Find(stream_id) : nullptr;
  if (s == nullptr && !m_Streams.empty()) s = &m_Streams.rbegin()->second;
  uint32_t dev = s != nullptr ? s->m_nDeviceId : 1;
  uint32_t host = s != nullptr ? s->m_nHostId : 0;
  switch (static_cast<EFaultKind>(kind)) {
    case EFaultKind::BadMagic: {
      CAdbPacket p = CAdbPacket::Make(A_OKAY, dev, host);
      p.m_nMagic ^= 0x00010000u;
      Send(p);
      break;
    }
    case EFaultKind::Oversize: {
      std::vector<uint8_t> body(kOversizeLength, 'Z');
      Send(CAdbPacket::Make(A_WRTE, dev, host, body.data(), body.size()));
      break;
    }
    case EFaultKind::StaleWrte: {
      uint32_t stale = arg != 0 ? static_cast<uint32_t>(arg) : m_Ctx.m_pLastClosedHostId->load();
      static const char kText[] = "stale";
      Send(CAdbPacket::Make(A_WRTE, dev, stale, kText, sizeof kText - 1));
      break;
    }
    case EFaultKind::OverMax: {
      std::vector<uint8_t> body(static_cast<size_t>(MaxSend()) + 1, 'M');
      Send(CAdbPacket::Make(A_WRTE, dev, host, body.data(), body.size()));
      break;
    }
    case EFaultKind::BadCheck: {
      static const char kText[] = "check";
      CAdbPacket p = CAdbPacket::Make(A_WRTE, dev, host, kText, sizeof kText - 1);
      p.m_nDataCheck += 1;
      Send(p);
      break;
    }
    case EFaultKind::BadCommand:
      Send(CAdbPacket::Make(kUnknownCommand, dev, host));
      break;
    case EFaultKind::UnopenedWrte:
    case EFaultKind::UnopenedOkay: {
      // A device id never handed out and a host id above every one the host opened.
      uint32_t fresh = m_Ctx.m_pNextId->fetch_add(1);
      static const char kText[] = "unopened";
      if (static_cast<EFaultKind>(kind) == EFaultKind::UnopenedWrte)
        Send(CAdbPacket::Make(A_WRTE, fresh, m_nHighestHostId + 1, kText, sizeof kText - 1));
      else
        Send(CAdbPacket::Make(A_OKAY, fresh, m_nHighestHostId + 1));
      break;
    }
    case EFaultKind::SecondCnxn:
      Send(CAdbPacket::MakeText(A_CNXN, A_VERSION, m_Ctx.m_Config.m_nMaxPayload, m_Ctx.m_Config.m_strBanner));
      break;
    case EFaultKind::AuthToken: {
      std::vector<uint8_t> token(static_cast<size_t>(arg), 'T');
      Send(CAdbPacket::Make(A_AUTH, ADB_AUTH_TOKEN, 0, token.data(), token.size()));
      break;
    }
    case EFaultKind::CutShort:
    case EFaultKind::HugeLength: {
      CAdbPacket p;
      if (static_cast<EFaultKind>(kind) == EFaultKind::CutShort) {
        std::vector<uint8_t> body(static_cast<size_t>(arg), 'C');
        p = CAdbPacket::Make(A_WRTE, dev, host, body.data(), body.size());
        p.m_Payload.resize(body.size() / 2);
      } else {
        p = CAdbPacket::Make(A_WRTE, dev, host);
        p.m_nDataLength = kHugeLength;
      }
      Send(p);
      m_bMuted = true;
      m_Ctx.m_pRecord->Event("muted: a packet announced " + std::to_string(p.m_nDataLength) + " bytes, " +
                             std::to_string(p.m_Payload.size()) + " went out");
      break;
    }
    default:
      break;
  }
}

}  // namespace phonesim
