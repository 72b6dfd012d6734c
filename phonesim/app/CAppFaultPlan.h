#pragma once
// What a scenario makes the phone app do on its own: a command, an unknown
// type, an oversized package, the app's death, a pulled cable, at a time or
// after an event of the app. Text form KIND[=ARG][@TRIGGER][+MS]: the
// injection fires MS milliseconds (default 0) after TRIGGER (default
// "start", the app's start), once. Triggers: start, version, settings,
// video, foreground, pause, rate (a frame-rate request, once its answer
// is on the stream), picture:N (the N-th picture sent),
// rx:TYPE (the head unit sent a package of that type, e.g. rx:0x00018028).
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace phonesim {

struct SAppFault {
  std::string m_strRule;
  std::string m_strKind;
  std::string m_strArg;
  std::string m_strTrigger = "start";
  int m_nDelayMs = 0;
  bool m_bArmed = false;
  std::chrono::steady_clock::time_point m_Due;
};

class CAppFaultPlan {
 public:
  // Splits the text form; the kind is checked by the app.
  static bool Parse(const std::string& rule, SAppFault* out, std::string* error);

  void Add(const SAppFault& fault);
  void Clear();
  // Arms the faults waiting for this event.
  void OnEvent(const std::string& event);
  // Takes the armed faults that are due.
  std::vector<SAppFault> TakeDue(std::chrono::steady_clock::time_point now);
  // Time of the next armed fault; false when none is armed.
  bool NextDue(std::chrono::steady_clock::time_point* when) const;
  size_t Pending() const;

 private:
  mutable std::mutex m_Lock;
  std::vector<SAppFault> m_Faults;
};

}  // namespace phonesim
