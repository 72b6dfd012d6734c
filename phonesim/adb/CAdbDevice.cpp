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
}  // namespace

CAdbDevice::CAdbDevice(std::unique_ptr<CSimConnection> conn, const SPhoneContext& ctx)
    : m_conn(std::move(conn)), m_ctx(ctx), m_core(std::make_shared<SDeviceCore>()) {
  m_core->device = this;
}

CAdbDevice::~CAdbDevice() {
  std::vector<std::unique_ptr<CSimService>> gone;
  {
    std::lock_guard<std::recursive_mutex> g(m_core->lock);
    m_core->device = nullptr;
    m_online = false;
    for (auto& kv : m_streams) {
      if (kv.second.service_obj) kv.second.service_obj->OnClose();
      m_ctx.record->StreamClosed(kv.first);
      gone.push_back(std::move(kv.second.service_obj));
    }
    m_streams.clear();
    m_timers.clear();
  }
}

const char* CAdbDevice::DropReason() const {
  return m_conn->DropReason();
}

void CAdbDevice::Drop(const char* reason) {
  m_conn->SetDropReason(reason);
  m_conn->Drop();
}

uint32_t CAdbDevice::MaxSend() const {
  // Never more than the host can take: the head unit reads 4096 at most.
  uint32_t own = m_ctx.config.max_payload;
  return m_host_max != 0 && m_host_max < own ? m_host_max : own;
}

uint32_t CAdbDevice::MaxRecv() const {
  // Until the host's CNXN is in, our own announced maximum is the limit.
  return MaxSend();
}

bool CAdbDevice::ReadPacket(CAdbPacket* p) {
  uint8_t head[ADB_HEADER_SIZE];
  if (!m_conn->RecvExact(head, sizeof head)) return false;
  *p = CAdbPacket::DecodeHeader(head);
  if (p->data_length > PHONESIM_HARD_PAYLOAD_CAP) {
    m_ctx.record->Packet(true, *p);
    m_ctx.record->Violation("payload length " + std::to_string(p->data_length) + " of " +
                            CAdbPacket::CommandName(p->command) + " cannot be read; dropping the connection");
    Drop("unreadable length");
    return false;
  }
  p->payload.resize(p->data_length);
  if (p->data_length > 0 && !m_conn->RecvExact(p->payload.data(), p->data_length)) {
    p->payload.clear();
    m_ctx.record->Packet(true, *p);
    return false;
  }
  return true;
}

bool CAdbDevice::CheckPacket(const CAdbPacket& p) {
  bool ok = true;
  std::string name = CAdbPacket::CommandName(p.command);
  if (!p.MagicOk()) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "bad magic 0x%08x for command 0x%08x", p.magic, p.command);
    m_ctx.record->Violation(buf);
    ok = false;
  }
  if (p.data_length > MaxRecv()) {
    m_ctx.record->Violation(name + " payload " + std::to_string(p.data_length) + " over the maximum " +
                            std::to_string(MaxRecv()));
    ok = false;
  }
  // The check word may be left out only from the skip-checksum version on.
  // Our own version is below it, so after the CNXN every packet needs it;
  // the host's CNXN itself follows the version that it announces.
  bool need_check = !(p.command == A_CNXN && p.arg0 >= A_VERSION_SKIP_CHECKSUM);
  if (need_check && !p.ChecksumOk()) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s check word 0x%08x, byte sum is 0x%08x", name.c_str(), p.data_check,
                  CAdbPacket::Checksum(p.payload.data(), p.payload.size()));
    m_ctx.record->Violation(buf);
    ok = false;
  }
  return ok;
}

void CAdbDevice::Run(const std::atomic<bool>& stop) {
  std::vector<std::unique_ptr<CSimService>> graveyard;
  while (!stop && !m_conn->Dropped()) {
    int wait = kPollTickMs;
    {
      std::lock_guard<std::recursive_mutex> g(m_core->lock);
      wait = std::min(wait, MsToNextTimer());
    }
    if (m_conn->WaitReadable(wait)) {
      CAdbPacket p;
      if (!ReadPacket(&p)) break;
      m_ctx.record->Packet(true, p);
      std::lock_guard<std::recursive_mutex> g(m_core->lock);
      if (CheckPacket(p)) Handle(p);
    }
    std::lock_guard<std::recursive_mutex> g(m_core->lock);
    RunDueTimers();
  }
  m_conn->Drop();
}

int CAdbDevice::MsToNextTimer() const {
  if (m_timers.empty()) return kPollTickMs;
  auto now = std::chrono::steady_clock::now();
  auto next = m_timers.front().due;
  for (const auto& t : m_timers) next = std::min(next, t.due);
  if (next <= now) return 0;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count()) + 1;
}

void CAdbDevice::RunDueTimers() {
  auto now = std::chrono::steady_clock::now();
  std::vector<STimer> due;
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    if (it->due <= now) {
      due.push_back(std::move(*it));
      it = m_timers.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& t : due)
    if (!m_conn->Dropped()) t.fn();
}

void CAdbDevice::After(int ms, std::function<void()> fn) {
  m_timers.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), std::move(fn)});
}

bool CAdbDevice::Send(const CAdbPacket& p) {
  if (m_conn->Dropped()) return false;
  m_ctx.record->Packet(false, p);
  std::vector<uint8_t> bytes = p.Encode();
  return m_conn->Send(bytes.data(), bytes.size());
}

void CAdbDevice::Handle(const CAdbPacket& p) {
  switch (p.command) {
    case A_CNXN:
      HandleCnxn(p);
      return;
    case A_AUTH:
      HandleAuth(p);
      return;
    default:
      break;
  }
  if (!m_online) {
    m_ctx.record->Violation(CAdbPacket::CommandName(p.command) + " before the connection is up; ignored");
    return;
  }
  switch (p.command) {
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
      m_ctx.record->Violation("unknown command " + CAdbPacket::CommandName(p.command) + "; ignored");
      return;
  }
}

void CAdbDevice::SendConnect() {
  CAdbPacket c = CAdbPacket::MakeText(A_CNXN, A_VERSION, m_ctx.config.max_payload, m_ctx.config.banner);
  // Online before the CNXN leaves: a host that has read it may ask at once.
  m_online = true;
  if (!Send(c)) {
    m_online = false;
    return;
  }
  m_token.clear();
  m_ctx.record->Event("online");
  Step("connected", 0);
}

void CAdbDevice::SendToken() {
  m_token = CAdbAuth::NewToken();
  Send(CAdbPacket::Make(A_AUTH, ADB_AUTH_TOKEN, 0, m_token.data(), m_token.size()));
}

void CAdbDevice::HandleCnxn(const CAdbPacket& p) {
  m_got_cnxn = true;
  m_host_version = p.arg0;
  m_host_max = p.arg1;
  std::string banner(p.payload.begin(), std::find(p.payload.begin(), p.payload.end(), uint8_t(0)));
  m_ctx.record->Event("host CNXN version=" + std::to_string(p.arg0) + " max=" + std::to_string(p.arg1) +
                      " banner=\"" + banner + "\"");
  if (p.arg1 == 0) m_ctx.record->Violation("host CNXN announces a maximum payload of 0");
  if (!Step("cnxn", 0)) return;
  // A repeated CNXN starts the connection over, as on a real device.
  if (m_online) {
    std::vector<uint32_t> ids;
    for (auto& kv : m_streams) ids.push_back(kv.first);
    for (uint32_t id : ids) Forget(id, true);
    m_online = false;
  }
  if (m_ctx.config.auth)
    SendToken();
  else
    SendConnect();
}

void CAdbDevice::HandleAuth(const CAdbPacket& p) {
  if (!m_ctx.config.auth || m_online) {
    m_ctx.record->Violation("AUTH when none was asked for; ignored");
    return;
  }
  if (!Step("auth", 0)) return;
  if (p.arg0 == ADB_AUTH_SIGNATURE) {
    if (m_token.empty()) {
      m_ctx.record->Violation("AUTH signature without a token; ignored");
      return;
    }
    if (m_ctx.auth->Verify(m_token, p.payload.data(), p.payload.size())) {
      m_ctx.record->Event("auth: signature accepted");
      SendConnect();
    } else {
      m_ctx.record->Event("auth: signature refused");
      SendToken();
    }
    return;
  }
  if (p.arg0 == ADB_AUTH_RSAPUBLICKEY) {
    std::string text(p.payload.begin(), std::find(p.payload.begin(), p.payload.end(), uint8_t(0)));
    std::vector<uint8_t> n;
    uint32_t e = 0;
    std::string why;
    if (!CAdbAuth::ParsePublicKey(text, &n, &e, &why)) {
      m_ctx.record->Violation("AUTH public key: " + why);
      return;
    }
    if (!m_ctx.config.accept_keys) {
      // The user never answers the dialog: nothing goes back.
      m_ctx.record->Event("auth: public key offered, not accepted");
      return;
    }
    m_ctx.auth->Trust(text, true);
    m_ctx.record->Event("auth: public key accepted");
    SendConnect();
    return;
  }
  m_ctx.record->Violation("AUTH type " + std::to_string(p.arg0) + "; ignored");
}

CAdbDevice::SStream* CAdbDevice::Find(uint32_t id) {
  auto it = m_streams.find(id);
  return it == m_streams.end() ? nullptr : &it->second;
}

bool CAdbDevice::StreamOpen(uint32_t id) const {
  auto it = m_streams.find(id);
  return it != m_streams.end() && !it->second.close_pending;
}

size_t CAdbDevice::StreamQueued(uint32_t id) const {
  auto it = m_streams.find(id);
  return it == m_streams.end() ? 0 : it->second.queued;
}

void CAdbDevice::HandleOpen(const CAdbPacket& p) {
  std::string service(p.payload.begin(), std::find(p.payload.begin(), p.payload.end(), uint8_t(0)));
  if (p.arg0 == 0) {
    m_ctx.record->Violation("OPEN \"" + service + "\" with host id 0; ignored");
    return;
  }
  if (!Step("open:" + service, 0)) return;
  if (m_ctx.faults->IsSilent(service)) {
    m_ctx.record->Event("silent service \"" + service + "\": no answer");
    return;
  }
  uint32_t id = m_ctx.next_id->fetch_add(1);
  auto link = std::make_shared<CAdbStreamLink>(m_core, id, service);
  std::unique_ptr<CSimService> svc;
  if (service.compare(0, 6, "shell:") == 0)
    svc = std::make_unique<CShellService>(link, m_ctx.shell, m_ctx.record);
  else if (service == "sync:")
    svc = std::make_unique<CSyncService>(link, m_ctx.fs, m_ctx.record);
  else if (service.compare(0, 4, "tcp:") == 0)
    svc = std::make_unique<CTcpService>(link, m_ctx.endpoints);
  if (!svc || !svc->Accept()) {
    m_ctx.record->Event("refused service \"" + service + "\"");
    Send(CAdbPacket::Make(A_CLSE, 0, p.arg0));
    return;
  }
  SStream& s = m_streams[id];
  s.device_id = id;
  s.host_id = p.arg0;
  s.service = service;
  s.service_obj = std::move(svc);
  m_ctx.record->StreamOpened(id, p.arg0, service);
  if (!Send(CAdbPacket::Make(A_OKAY, id, p.arg0))) return;
  CSimService* obj = s.service_obj.get();
  obj->OnOpen();
}

void CAdbDevice::HandleOkay(const CAdbPacket& p) {
  SStream* s = Find(p.arg1);
  if (s == nullptr || s->host_id != p.arg0) return;  // unknown or closed stream
  if (s->waiting_okay) s->queued -= std::min(s->queued, s->inflight);
  s->inflight = 0;
  s->waiting_okay = false;
  Pump(*s);
}

void CAdbDevice::HandleWrte(const CAdbPacket& p) {
  SStream* s = Find(p.arg1);
  if (s == nullptr || s->host_id != p.arg0) return;
  uint32_t id = s->device_id;
  m_ctx.record->StreamBytes(id, true, p.payload.size());
  if (!Step("wrte:" + s->service, id)) return;
  s = Find(id);
  if (s == nullptr) return;
  if (!Send(CAdbPacket::Make(A_OKAY, id, s->host_id))) return;
  CSimService* obj = s->service_obj.get();
  if (obj != nullptr) obj->OnData(p.payload.data(), p.payload.size());
}

void CAdbDevice::HandleClse(const CAdbPacket& p) {
  SStream* s = Find(p.arg1);
  if (s == nullptr || s->host_id != p.arg0) return;
  uint32_t id = s->device_id;
  if (!Step("close:" + s->service, id)) return;
  s = Find(id);
  if (s == nullptr) return;
  if (m_ctx.faults->IsDeafToClose(s->service)) {
    m_ctx.record->Event("deaf to close of \"" + s->service + "\": no answer");
    return;
  }
  Send(CAdbPacket::Make(A_CLSE, id, s->host_id));
  Forget(id, true);
}

void CAdbDevice::Forget(uint32_t id, bool tell_service) {
  auto it = m_streams.find(id);
  if (it == m_streams.end()) return;
  std::unique_ptr<CSimService> obj = std::move(it->second.service_obj);
  m_ctx.last_closed_host_id->store(it->second.host_id);
  m_streams.erase(it);
  m_ctx.record->StreamClosed(id);
  if (obj && tell_service) obj->OnClose();
  // The service may be the caller (it closed itself from OnData): keep the
  // object alive until the connection thread is back at its loop.
  if (obj) After(0, [held = std::shared_ptr<CSimService>(std::move(obj))] {});
}

bool CAdbDevice::StreamWrite(uint32_t id, const uint8_t* data, size_t len) {
  SStream* s = Find(id);
  if (s == nullptr || s->close_pending || m_conn->Dropped()) return false;
  size_t max = MaxSend();
  for (size_t off = 0; off < len; off += max) {
    size_t n = std::min(max, len - off);
    s->out.emplace_back(data + off, data + off + n);
  }
  s->queued += len;
  Pump(*s);
  return true;
}

void CAdbDevice::StreamClose(uint32_t id) {
  SStream* s = Find(id);
  if (s == nullptr || s->close_pending) return;
  s->close_pending = true;
  Pump(*s);
}

void CAdbDevice::Pump(SStream& s) {
  // One WRTE in flight per stream: the next waits for the host's OKAY.
  while (!s.waiting_okay && !s.out.empty()) {
    std::vector<uint8_t> chunk = std::move(s.out.front());
    s.out.pop_front();
    s.waiting_okay = true;
    s.inflight = chunk.size();
    m_ctx.record->StreamBytes(s.device_id, false, chunk.size());
    if (!Send(CAdbPacket::Make(A_WRTE, s.device_id, s.host_id, chunk.data(), chunk.size()))) return;
  }
  if (s.close_pending && !s.waiting_okay && s.out.empty()) {
    uint32_t id = s.device_id;
    Send(CAdbPacket::Make(A_CLSE, id, s.host_id));
    Forget(id, true);
  }
}

bool CAdbDevice::Step(const std::string& step, uint32_t stream_id) {
  for (const SFault& f : m_ctx.faults->AtStep(step)) {
    m_ctx.record->Event("fault " + f.rule + " at " + step);
    switch (f.kind) {
      case EFaultKind::Drop:
        Drop("fault");
        break;
      case EFaultKind::BadMagic:
      case EFaultKind::Oversize:
      case EFaultKind::StaleWrte:
        InjectFault(static_cast<int>(f.kind), stream_id, f.n);
        break;
      default:
        break;
    }
  }
  return !m_conn->Dropped();
}

void CAdbDevice::InjectFault(int kind, uint32_t stream_id, uint64_t arg) {
  SStream* s = stream_id != 0 ? Find(stream_id) : nullptr;
  if (s == nullptr && !m_streams.empty()) s = &m_streams.rbegin()->second;
  uint32_t dev = s != nullptr ? s->device_id : 1;
  uint32_t host = s != nullptr ? s->host_id : 0;
  switch (static_cast<EFaultKind>(kind)) {
    case EFaultKind::BadMagic: {
      CAdbPacket p = CAdbPacket::Make(A_OKAY, dev, host);
      p.magic ^= 0x00010000u;
      Send(p);
      break;
    }
    case EFaultKind::Oversize: {
      std::vector<uint8_t> body(kOversizeLength, 'Z');
      Send(CAdbPacket::Make(A_WRTE, dev, host, body.data(), body.size()));
      break;
    }
    case EFaultKind::StaleWrte: {
      uint32_t stale = arg != 0 ? static_cast<uint32_t>(arg) : m_ctx.last_closed_host_id->load();
      static const char kText[] = "stale";
      Send(CAdbPacket::Make(A_WRTE, dev, stale, kText, sizeof kText - 1));
      break;
    }
    default:
      break;
  }
}

}  // namespace phonesim
