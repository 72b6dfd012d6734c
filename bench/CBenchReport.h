// What every benchmark prints: samples reduced to medians and percentiles, and one result line
// per figure, "RESULT ID NAME VALUE UNIT TARGET STATUS", that tools/bench.sh gathers into its
// table. A missed target is printed, never an exit code: benchmarks do not fail a build.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CBenchReport {
 public:
  using Clock = std::chrono::steady_clock;

  // Microseconds on the monotonic clock (the clock phonesim's records use too).
  static int64_t NowUs();
  static double NowSeconds();
  // Microseconds since t, with the clock's full resolution.
  static double SinceUs(Clock::time_point t) {
    return std::chrono::duration<double, std::micro>(Clock::now() - t).count();
  }

  // q in [0, 1]; 0 for no samples. The samples are copied and sorted.
  static double Percentile(std::vector<double> samples, double q);
  static double Median(const std::vector<double>& samples) { return Percentile(samples, 0.5); }

  // Times ours and peer nRounds times each, in turns whose first side alternates (a warm cache then
  // favours neither), after one untimed run of each; the samples, in microseconds, are divided by
  // dDivisor (the units of work one run does).
  static void TimeInTurns(const std::function<void()>& ours, const std::function<void()>& peer, int nRounds,
                          double dDivisor, std::vector<double>* pOursUs, std::vector<double>* pPeerUs);

  // target: "<=1.05", ">=300", "==0", or "" for a figure that has none.
  static void Result(const std::string& id, const std::string& name, double value, const std::string& unit,
                     const std::string& target);
  // printf of up to six numbers into a string, for the notes.
  static std::string Format(const char* fmt, double a, double b = 0, double c = 0, double d = 0, double e = 0,
                            double f = 0);
  // A line of context under the results (sizes, counts, where the time goes).
  static void Note(const std::string& text);
};
