#include "phonesim/scenario/CFaultPlan.h"

#include <cstdlib>

namespace phonesim {

namespace {

// The longest payload a lie writes: the phone's own hard cap on what it reads.
constexpr uint64_t kMaxLieLength = 1024 * 1024;
constexpr uint64_t kDefaultCutShort = 100;

bool ParseUnsigned(const std::string& s, uint64_t* out) {
  if (s.empty() || s.size() > 18) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  *out = std::strtoull(s.c_str(), nullptr, 10);
  return true;
}

struct SKindName {
  const char* m_pName;
  EFaultKind m_Kind;
  bool m_bNeedsStep;
  bool m_bNeedsArg;
};

const SKindName kKinds[] = {
    {"drop", EFaultKind::Drop, true, false},
    {"drop-after-rx", EFaultKind::DropAfterRx, false, true},
    {"drop-after-tx", EFaultKind::DropAfterTx, false, true},
    {"bad-magic", EFaultKind::BadMagic, true, false},
    {"oversize", EFaultKind::Oversize, true, false},
    {"stale-wrte", EFaultKind::StaleWrte, true, false},
    {"over-max", EFaultKind::OverMax, true, false},
    {"bad-check", EFaultKind::BadCheck, true, false},
    {"bad-command", EFaultKind::BadCommand, true, false},
    {"unopened-wrte", EFaultKind::UnopenedWrte, true, false},
    {"unopened-okay", EFaultKind::UnopenedOkay, true, false},
    {"second-cnxn", EFaultKind::SecondCnxn, true, false},
    {"auth-token", EFaultKind::AuthToken, true, true},
    {"cut-short", EFaultKind::CutShort, true, false},
    {"huge-length", EFaultKind::HugeLength, true, false},
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
  f.m_strRule = rule;
  std::string head = rule;
  size_t at = rule.find('@');
  // A silent service name may itself hold '@'-free text only; the step
  // part is whatever follows the first '@'.
  if (at != std::string::npos) {
    head = rule.substr(0, at);
    f.m_strStep = rule.substr(at + 1);
    size_t hash = f.m_strStep.rfind('#');
    if (hash != std::string::npos) {
      uint64_t nth = 0;
      if (!ParseUnsigned(f.m_strStep.substr(hash + 1), &nth) || nth == 0 || nth > 1000000)
        return fail("bad #N");
      f.m_nNth = static_cast<int>(nth);
      f.m_strStep.resize(hash);
    }
    if (f.m_strStep.empty()) return fail("empty step");
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
    if (name == kk.m_pName) k = &kk;
  if (k == nullptr) return fail("unknown kind");
  f.m_Kind = k->m_Kind;
  if (k->m_bNeedsStep && f.m_strStep.empty()) return fail("needs @STEP");
  if (!k->m_bNeedsStep && !f.m_strStep.empty()) return fail("takes no @STEP");
  if (k->m_bNeedsArg && (!has_arg || arg.empty())) return fail("needs =ARG");
  switch (f.m_Kind) {
    case EFaultKind::DropAfterRx:
    case EFaultKind::DropAfterTx:
    case EFaultKind::Split:
    case EFaultKind::ReplugDelay:
      if (!ParseUnsigned(arg, &f.m_nValue) || f.m_nValue == 0) return fail("needs a positive number");
      break;
    case EFaultKind::AuthToken:
      // Zero is the point of one case (an empty token); more than the hard cap is never read.
      if (!ParseUnsigned(arg, &f.m_nValue) || f.m_nValue > kMaxLieLength) return fail("needs a length");
      break;
    case EFaultKind::CutShort:
      f.m_nValue = kDefaultCutShort;
      // Half of one byte is none: at least two, so that some bytes follow the header.
      if (has_arg && (!ParseUnsigned(arg, &f.m_nValue) || f.m_nValue < 2 || f.m_nValue > kMaxLieLength))
        return fail("needs a length from 2");
      break;
    case EFaultKind::StaleWrte:
      if (has_arg && !ParseUnsigned(arg, &f.m_nValue)) return fail("bad id");
      if (has_arg && f.m_nValue > 0xffffffffu) return fail("bad id");
      break;
    case EFaultKind::Slow: {
      size_t colon = arg.find(':');
      uint64_t ms = 0;
      if (colon == std::string::npos || !ParseUnsigned(arg.substr(0, colon), &f.m_nValue) ||
          f.m_nValue == 0 || !ParseUnsigned(arg.substr(colon + 1), &ms) || ms > 60000)
        return fail("needs BYTES:MS");
      f.m_nMs = static_cast<uint32_t>(ms);
      break;
    }
    case EFaultKind::Silent:
    case EFaultKind::DeafClose:
      f.m_strText = arg;
      break;
    default:
      if (has_arg) return fail("takes no =ARG");
      break;
  }
  std::lock_guard<std::mutex> g(m_Lock);
  m_Faults.push_back(f);
  return true;
}

void CFaultPlan::Clear() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Faults.clear();
}

std::vector<SFault> CFaultPlan::AtStep(const std::string& step) {
  std::vector<SFault> out;
  std::lock_guard<std::mutex> g(m_Lock);
  for (auto& f : m_Faults) {
    if (f.m_bFired || f.m_strStep.empty() || step.compare(0, f.m_strStep.size(), f.m_strStep) != 0) continue;
    if (++f.m_nSeen < f.m_nNth) continue;
    f.m_bFired = true;
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
  std::lock_guard<std::mutex> g(m_Lock);
  for (const auto& f : m_Faults)
    if (f.m_Kind == kind && service.compare(0, f.m_strText.size(), f.m_strText) == 0) return true;
  return false;
}

uint64_t CFaultPlan::TakeDropAfterRx() {
  std::lock_guard<std::mutex> g(m_Lock);
  for (auto& f : m_Faults)
    if (f.m_Kind == EFaultKind::DropAfterRx && !f.m_bFired) {
      f.m_bFired = true;
      return f.m_nValue;
    }
  return 0;
}

uint64_t CFaultPlan::TakeDropAfterTx() {
  std::lock_guard<std::mutex> g(m_Lock);
  for (auto& f : m_Faults)
    if (f.m_Kind == EFaultKind::DropAfterTx && !f.m_bFired) {
      f.m_bFired = true;
      return f.m_nValue;
    }
  return 0;
}

SDelivery CFaultPlan::Delivery() const {
  SDelivery d;
  std::lock_guard<std::mutex> g(m_Lock);
  for (const auto& f : m_Faults) {
    if (f.m_Kind == EFaultKind::Split) d.m_nChunk = static_cast<size_t>(f.m_nValue);
    if (f.m_Kind == EFaultKind::Slow) {
      d.m_nChunk = static_cast<size_t>(f.m_nValue);
      d.m_nPauseMs = f.m_nMs;
    }
  }
  return d;
}

uint32_t CFaultPlan::ReplugDelayMs() const {
  std::lock_guard<std::mutex> g(m_Lock);
  uint32_t ms = 0;
  for (const auto& f : m_Faults)
    if (f.m_Kind == EFaultKind::ReplugDelay) ms = static_cast<uint32_t>(f.m_nValue);
  return ms;
}

std::vector<std::string> CFaultPlan::Rules() const {
  std::lock_guard<std::mutex> g(m_Lock);
  std::vector<std::string> out;
  for (const auto& f : m_Faults) out.push_back(f.m_strRule);
  return out;
}

}  // namespace phonesim
