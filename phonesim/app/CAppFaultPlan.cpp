#include "phonesim/app/CAppFaultPlan.h"

#include <cstdlib>

namespace phonesim {

bool CAppFaultPlan::Parse(const std::string& rule, SAppFault* out, std::string* error) {
  SAppFault f;
  f.m_strRule = rule;
  std::string head = rule, when;
  size_t at = rule.find('@');
  if (at != std::string::npos) {
    head = rule.substr(0, at);
    when = rule.substr(at + 1);
  }
  // The delay may stand without a trigger: "kind+500".
  size_t plus = (at == std::string::npos ? head : when).rfind('+');
  std::string delay;
  if (at == std::string::npos && plus != std::string::npos) {
    delay = head.substr(plus + 1);
    head = head.substr(0, plus);
  } else if (at != std::string::npos && plus != std::string::npos) {
    delay = when.substr(plus + 1);
    when = when.substr(0, plus);
  }
  size_t eq = head.find('=');
  f.m_strKind = head.substr(0, eq);
  if (eq != std::string::npos) f.m_strArg = head.substr(eq + 1);
  if (!when.empty()) f.m_strTrigger = when;
  if (f.m_strKind.empty()) {
    if (error) *error = "app fault without a kind: " + rule;
    return false;
  }
  if (!delay.empty() || plus != std::string::npos) {
    char* end = nullptr;
    long ms = std::strtol(delay.c_str(), &end, 10);
    if (delay.empty() || *end != '\0' || ms < 0 || ms > 3600000) {
      if (error) *error = "bad delay in app fault " + rule;
      return false;
    }
    f.m_nDelayMs = static_cast<int>(ms);
  }
  static const char* const kTriggers[] = {"start",      "version", "settings", "video",
                                          "foreground", "pause",   "rate"};
  bool known = false;
  for (const char* t : kTriggers) known = known || f.m_strTrigger == t;
  if (f.m_strTrigger.compare(0, 8, "picture:") == 0) {
    char* end = nullptr;
    long n = std::strtol(f.m_strTrigger.c_str() + 8, &end, 10);
    known = *end == '\0' && n > 0 && f.m_strTrigger.size() > 8;
  } else if (f.m_strTrigger.compare(0, 3, "rx:") == 0) {
    char* end = nullptr;
    std::strtoul(f.m_strTrigger.c_str() + 3, &end, 0);
    known = *end == '\0' && f.m_strTrigger.size() > 3;
  }
  if (!known) {
    if (error) *error = "unknown trigger \"" + f.m_strTrigger + "\" in app fault " + rule;
    return false;
  }
  *out = f;
  return true;
}

void CAppFaultPlan::Add(const SAppFault& fault) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Faults.push_back(fault);
}

void CAppFaultPlan::Clear() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Faults.clear();
}

void CAppFaultPlan::OnEvent(const std::string& event) {
  std::lock_guard<std::mutex> g(m_Lock);
  auto now = std::chrono::steady_clock::now();
  for (auto& f : m_Faults) {
    bool match = f.m_strTrigger == event;
    // rx triggers compare as numbers: rx:0x18028 and rx:0x00018028 are one.
    if (!match && f.m_strTrigger.compare(0, 3, "rx:") == 0 && event.compare(0, 3, "rx:") == 0)
      match =
          std::strtoul(f.m_strTrigger.c_str() + 3, nullptr, 0) == std::strtoul(event.c_str() + 3, nullptr, 0);
    if (match && !f.m_bArmed) {
      f.m_bArmed = true;
      f.m_Due = now + std::chrono::milliseconds(f.m_nDelayMs);
    }
  }
}

std::vector<SAppFault> CAppFaultPlan::TakeDue(std::chrono::steady_clock::time_point now) {
  std::lock_guard<std::mutex> g(m_Lock);
  std::vector<SAppFault> due;
  for (auto it = m_Faults.begin(); it != m_Faults.end();) {
    if (it->m_bArmed && it->m_Due <= now) {
      due.push_back(*it);
      it = m_Faults.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

bool CAppFaultPlan::NextDue(std::chrono::steady_clock::time_point* when) const {
  std::lock_guard<std::mutex> g(m_Lock);
  bool any = false;
  for (const auto& f : m_Faults)
    if (f.m_bArmed && (!any || f.m_Due < *when)) {
      *when = f.m_Due;
      any = true;
    }
  return any;
}

size_t CAppFaultPlan::Pending() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Faults.size();
}

}  // namespace phonesim
