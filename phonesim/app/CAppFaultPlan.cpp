#include "phonesim/app/CAppFaultPlan.h"

#include <cstdlib>

namespace phonesim {

bool CAppFaultPlan::Parse(const std::string& rule, SAppFault* out, std::string* error) {
  SAppFault f;
  f.rule = rule;
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
  f.kind = head.substr(0, eq);
  if (eq != std::string::npos) f.arg = head.substr(eq + 1);
  if (!when.empty()) f.trigger = when;
  if (f.kind.empty()) {
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
    f.delay_ms = static_cast<int>(ms);
  }
  static const char* const kTriggers[] = {"start",      "version", "settings", "video",
                                          "foreground", "pause",   "rate"};
  bool known = false;
  for (const char* t : kTriggers) known = known || f.trigger == t;
  if (f.trigger.compare(0, 8, "picture:") == 0) {
    char* end = nullptr;
    long n = std::strtol(f.trigger.c_str() + 8, &end, 10);
    known = *end == '\0' && n > 0 && f.trigger.size() > 8;
  } else if (f.trigger.compare(0, 3, "rx:") == 0) {
    char* end = nullptr;
    std::strtoul(f.trigger.c_str() + 3, &end, 0);
    known = *end == '\0' && f.trigger.size() > 3;
  }
  if (!known) {
    if (error) *error = "unknown trigger \"" + f.trigger + "\" in app fault " + rule;
    return false;
  }
  *out = f;
  return true;
}

void CAppFaultPlan::Add(const SAppFault& fault) {
  std::lock_guard<std::mutex> g(m_lock);
  m_faults.push_back(fault);
}

void CAppFaultPlan::Clear() {
  std::lock_guard<std::mutex> g(m_lock);
  m_faults.clear();
}

void CAppFaultPlan::OnEvent(const std::string& event) {
  std::lock_guard<std::mutex> g(m_lock);
  auto now = std::chrono::steady_clock::now();
  for (auto& f : m_faults) {
    bool match = f.trigger == event;
    // rx triggers compare as numbers: rx:0x18028 and rx:0x00018028 are one.
    if (!match && f.trigger.compare(0, 3, "rx:") == 0 && event.compare(0, 3, "rx:") == 0)
      match = std::strtoul(f.trigger.c_str() + 3, nullptr, 0) == std::strtoul(event.c_str() + 3, nullptr, 0);
    if (match && !f.armed) {
      f.armed = true;
      f.due = now + std::chrono::milliseconds(f.delay_ms);
    }
  }
}

std::vector<SAppFault> CAppFaultPlan::TakeDue(std::chrono::steady_clock::time_point now) {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<SAppFault> due;
  for (auto it = m_faults.begin(); it != m_faults.end();) {
    if (it->armed && it->due <= now) {
      due.push_back(*it);
      it = m_faults.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

bool CAppFaultPlan::NextDue(std::chrono::steady_clock::time_point* when) const {
  std::lock_guard<std::mutex> g(m_lock);
  bool any = false;
  for (const auto& f : m_faults)
    if (f.armed && (!any || f.due < *when)) {
      *when = f.due;
      any = true;
    }
  return any;
}

size_t CAppFaultPlan::Pending() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_faults.size();
}

}  // namespace phonesim
