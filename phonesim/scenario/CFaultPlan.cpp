#include "phonesim/scenario/CFaultPlan.h"

#include <cstdlib>

namespace phonesim {

namespace {

bool ParseUnsigned(const std::string& s, uint64_t* out) {
  if (s.empty() || s.size() > 18) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  *out = std::strtoull(s.c_str(), nullptr, 10);
  return true;
}

struct SKindName {
  const char* name;
  EFaultKind kind;
  bool needs_step;
  bool needs_arg;
};

const SKindName kKinds[] = {
    {"drop", EFaultKind::Drop, true, false},
    {"drop-after-rx", EFaultKind::DropAfterRx, false, true},
    {"drop-after-tx", EFaultKind::DropAfterTx, false, true},
    {"bad-magic", EFaultKind::BadMagic, true, false},
    {"oversize", EFaultKind::Oversize, true, false},
    {"stale-wrte", EFaultKind::StaleWrte, true, false},
    {"silent", EFaultKind::Silent, false, true},
    {"deaf-close", EFaultKind::DeafClose, false, true},
    {"slow", EFaultKind::Slow, false, true},
    {"split", EFaultKind::Split, false, true},
    {"replug-delay", EFaultKind::ReplugDelay, false, true},
};

}  // namespace

bool CFaultPlan::Add(const std::string& rule, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "fault \"" + rule + "\": " + why;
    return false;
  };
  SFault f;
  f.rule = rule;
  std::string head = rule;
  size_t at = rule.find('@');
  // A silent service name may itself hold '@'-free text only; the step
  // part is whatever follows the first '@'.
  if (at != std::string::npos) {
    head = rule.substr(0, at);
    f.step = rule.substr(at + 1);
    size_t hash = f.step.rfind('#');
    if (hash != std::string::npos) {
      uint64_t nth = 0;
      if (!ParseUnsigned(f.step.substr(hash + 1), &nth) || nth == 0 || nth > 1000000) return fail("bad #N");
      f.nth = static_cast<int>(nth);
      f.step.resize(hash);
    }
    if (f.step.empty()) return fail("empty step");
  }
  std::string name = head, arg;
  bool has_arg = false;
  size_t eq = head.find('=');
  if (eq != std::string::npos) {
    name = head.substr(0, eq);
    arg = head.substr(eq + 1);
    has_arg = true;
  }
  const SKindName* k = nullptr;
  for (const auto& kk : kKinds)
    if (name == kk.name) k = &kk;
  if (k == nullptr) return fail("unknown kind");
  f.kind = k->kind;
  if (k->needs_step && f.step.empty()) return fail("needs @STEP");
  if (!k->needs_step && !f.step.empty()) return fail("takes no @STEP");
  if (k->needs_arg && (!has_arg || arg.empty())) return fail("needs =ARG");
  switch (f.kind) {
    case EFaultKind::DropAfterRx:
    case EFaultKind::DropAfterTx:
    case EFaultKind::Split:
    case EFaultKind::ReplugDelay:
      if (!ParseUnsigned(arg, &f.n) || f.n == 0) return fail("needs a positive number");
      break;
    case EFaultKind::StaleWrte:
      if (has_arg && !ParseUnsigned(arg, &f.n)) return fail("bad id");
      if (has_arg && f.n > 0xffffffffu) return fail("bad id");
      break;
    case EFaultKind::Slow: {
      size_t colon = arg.find(':');
      uint64_t ms = 0;
      if (colon == std::string::npos || !ParseUnsigned(arg.substr(0, colon), &f.n) || f.n == 0 ||
          !ParseUnsigned(arg.substr(colon + 1), &ms) || ms > 60000)
        return fail("needs BYTES:MS");
      f.ms = static_cast<uint32_t>(ms);
      break;
    }
    case EFaultKind::Silent:
    case EFaultKind::DeafClose:
      f.text = arg;
      break;
    default:
      if (has_arg) return fail("takes no =ARG");
      break;
  }
  std::lock_guard<std::mutex> g(m_lock);
  m_faults.push_back(f);
  return true;
}

void CFaultPlan::Clear() {
  std::lock_guard<std::mutex> g(m_lock);
  m_faults.clear();
}

std::vector<SFault> CFaultPlan::AtStep(const std::string& step) {
  std::vector<SFault> out;
  std::lock_guard<std::mutex> g(m_lock);
  for (auto& f : m_faults) {
    if (f.fired || f.step.empty() || step.compare(0, f.step.size(), f.step) != 0) continue;
    if (++f.seen < f.nth) continue;
    f.fired = true;
    out.push_back(f);
  }
  return out;
}

bool CFaultPlan::IsSilent(const std::string& service) const {
  return Matches(EFaultKind::Silent, service);
}

bool CFaultPlan::IsDeafToClose(const std::string& service) const {
  return Matches(EFaultKind::DeafClose, service);
}

bool CFaultPlan::Matches(EFaultKind kind, const std::string& service) const {
  std::lock_guard<std::mutex> g(m_lock);
  for (const auto& f : m_faults)
    if (f.kind == kind && service.compare(0, f.text.size(), f.text) == 0) return true;
  return false;
}

uint64_t CFaultPlan::TakeDropAfterRx() {
  std::lock_guard<std::mutex> g(m_lock);
  for (auto& f : m_faults)
    if (f.kind == EFaultKind::DropAfterRx && !f.fired) {
      f.fired = true;
      return f.n;
    }
  return 0;
}

uint64_t CFaultPlan::TakeDropAfterTx() {
  std::lock_guard<std::mutex> g(m_lock);
  for (auto& f : m_faults)
    if (f.kind == EFaultKind::DropAfterTx && !f.fired) {
      f.fired = true;
      return f.n;
    }
  return 0;
}

SDelivery CFaultPlan::Delivery() const {
  SDelivery d;
  std::lock_guard<std::mutex> g(m_lock);
  for (const auto& f : m_faults) {
    if (f.kind == EFaultKind::Split) d.chunk = static_cast<size_t>(f.n);
    if (f.kind == EFaultKind::Slow) {
      d.chunk = static_cast<size_t>(f.n);
      d.pause_ms = f.ms;
    }
  }
  return d;
}

uint32_t CFaultPlan::ReplugDelayMs() const {
  std::lock_guard<std::mutex> g(m_lock);
  uint32_t ms = 0;
  for (const auto& f : m_faults)
    if (f.kind == EFaultKind::ReplugDelay) ms = static_cast<uint32_t>(f.n);
  return ms;
}

std::vector<std::string> CFaultPlan::Rules() const {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<std::string> out;
  for (const auto& f : m_faults) out.push_back(f.rule);
  return out;
}

}  // namespace phonesim
