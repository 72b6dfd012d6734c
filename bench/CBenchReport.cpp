#include "bench/CBenchReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

int64_t CBenchReport::NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

double CBenchReport::NowSeconds() {
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double CBenchReport::Percentile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  // Nearest rank: the p99 of 100 samples is the 99th, not an interpolation past the largest.
  size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(samples.size())));
  if (rank > 0) --rank;
  return samples[std::min(rank, samples.size() - 1)];
}

namespace {
bool Met(double value, const std::string& target) {
  double bound = 0;
  if (target.size() < 3) return true;
  bound = std::strtod(target.c_str() + 2, nullptr);
  const std::string op = target.substr(0, 2);
  if (op == "<=") return value <= bound;
  if (op == ">=") return value >= bound;
  if (op == "==") return value == bound;
  return true;
}
}  // namespace

void CBenchReport::Result(const std::string& id, const std::string& name, double value,
                          const std::string& unit, const std::string& target) {
  const char* status = target.empty() ? "-" : (Met(value, target) ? "ok" : "MISSED");
  std::printf("RESULT %s %s %.3f %s %s %s\n", id.c_str(), name.c_str(), value, unit.c_str(),
              target.empty() ? "-" : target.c_str(), status);
  std::fflush(stdout);
}

std::string CBenchReport::Format(const char* fmt, double a, double b, double c, double d, double e,
                                 double f) {
  char line[400];
  std::snprintf(line, sizeof line, fmt, a, b, c, d, e, f);
  return line;
}

void CBenchReport::Note(const std::string& text) {
  std::printf("  %s\n", text.c_str());
  std::fflush(stdout);
}

void CBenchReport::TimeInTurns(const std::function<void()>& ours, const std::function<void()>& peer,
                               int nRounds, double dDivisor, std::vector<double>* pOursUs,
                               std::vector<double>* pPeerUs) {
  ours();
  peer();
  for (int r = 0; r < nRounds; ++r) {
    for (int k = 0; k < 2; ++k) {
      const bool bOurs = (k + r) % 2 == 0;
      const Clock::time_point t0 = Clock::now();
      bOurs ? ours() : peer();
      (bOurs ? pOursUs : pPeerUs)->push_back(SinceUs(t0) / dDivisor);
    }
  }
}
