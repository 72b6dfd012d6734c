// phonesim: plays an Android phone's ADB daemon over TCP for the head unit's
// tests and for people. Runs until SIGINT or SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "phonesim/CPhoneSim.h"
#include "phonesim/services/CEchoEndpoint.h"

using namespace phonesim;

namespace {

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: phonesim [options]\n"
               "Plays an Android phone's ADB daemon over TCP (ADB over TCP: the 24-byte\n"
               "USB packets as a byte stream). One host connection at a time; after a\n"
               "drop it keeps listening for the re-plug. Stops on SIGINT or SIGTERM.\n"
               "\n"
               "  --address A          listen address (default %s)\n"
               "  --port N             listen port (default %u; 0 picks a free one)\n"
               "  --state DIR          state directory (default: a new /tmp/phonesim-XXXXXX):\n"
               "                       DIR/fs is the phone's file system, DIR/adb_keys the\n"
               "                       trusted keys, DIR/phonesim.log the record log\n"
               "  --auth on|off        ADB authentication (default off)\n"
               "  --accept-keys yes|no with auth on: trust a public key the host offers and\n"
               "                       connect (yes, default), or stay silent (no)\n"
               "  --trust FILE         trust the public keys in FILE (e.g. ~/.android/adbkey.pub);\n"
               "                       may be repeated\n"
               "  --max-payload N      maximum payload announced in CNXN (default %u); the phone\n"
               "                       never sends more than the lower of this and the host's\n"
               "  --prop KEY=VALUE     a system property for getprop\n"
               "  --app-missing PKG    the app PKG is not installed (am start answers Error type 3)\n"
               "  --shell CMD=TEXT     replace the answer to shell command CMD (CMD ending in '*'\n"
               "                       matches by prefix; TEXT knows \\r \\n \\t \\\\)\n"
               "  --shell-delay CMD=MS answer CMD after MS milliseconds\n"
               "  --shell-silent CMD   never answer CMD (no output, no close)\n"
               "  --shell-split CMD=O1,O2,...  send CMD's answer in WRTEs cut at these offsets\n"
               "  --echo PORT          an echo endpoint on phone TCP port PORT (tcp:PORT)\n"
               "  --fault RULE         a fault; may be repeated. RULE is KIND[=ARG][@STEP[#N]]:\n"
               "                         drop@STEP, drop-after-rx=N, drop-after-tx=N,\n"
               "                         bad-magic@STEP, oversize@STEP, stale-wrte[=ID]@STEP,\n"
               "                         silent=SERVICE, deaf-close=SERVICE (the host's CLSE\n"
               "                         of such a stream goes unanswered), slow=BYTES:MS,\n"
               "                         split=BYTES, replug-delay=MS\n"
               "                       lies in packets, each sent once at its STEP:\n"
               "                         over-max@STEP (a WRTE of the maximum + 1 bytes),\n"
               "                         bad-check@STEP (a WRTE \"check\" whose check word is\n"
               "                         its byte sum + 1), bad-command@STEP (command \"XXXX\"),\n"
               "                         unopened-wrte@STEP, unopened-okay@STEP (on a stream\n"
               "                         never opened), second-cnxn@STEP, auth-token=LEN@STEP\n"
               "                         (a token of LEN bytes, 0 for empty, before the real\n"
               "                         one), cut-short[=N]@STEP (a WRTE announcing N bytes,\n"
               "                         default 100, with N/2 of them), huge-length@STEP (a\n"
               "                         WRTE announcing 2^31-1 bytes, none sent); after these\n"
               "                         two the phone sends nothing more on the connection\n"
               "                       STEP is a prefix of: cnxn, auth, connected, open:SERVICE,\n"
               "                       wrte:SERVICE, close:SERVICE, shell:COMMAND, sync:SEND,\n"
               "                       sync:DATA, sync:DONE, sync:QUIT, sync:STAT, sync:LIST,\n"
               "                       sync:RECV; #N picks the N-th time\n"
               "\n"
               "The phone app (started by \"am start -n com.velto.corvane/...\"; until then its\n"
               "ports 7240, 8240, 9240, 9241, 9242 and 9340 refuse streams):\n"
               "  --video-size WxH     the video size the app announces and sends (default:\n"
               "                       the size the head unit's encoder settings ask for)\n"
               "  --fps N              the frame rate the app answers the encoder settings with\n"
               "                       (default: the one asked for); frame-rate requests still\n"
               "                       change it\n"
               "  --pictures DIR       send the .jpg/.jpeg files of DIR in name order, in a\n"
               "                       cycle, scaled to the video size when theirs differs\n"
               "                       (default: a test pattern carrying the frame number)\n"
               "  --pre-encode N       make N pictures once and send them in a cycle, so that\n"
               "                       sending costs no encoding time\n"
               "  --unthrottled        send pictures as fast as the host acknowledges them,\n"
               "                       whatever the frame rate\n"
               "  --heartbeat-ms N     a heartbeat after N ms without a picture (default 100)\n"
               "  --app-fault RULE     an injection of the app; may be repeated. RULE is\n"
               "                       KIND[=ARG][@TRIGGER][+MS]: fires MS ms after TRIGGER,\n"
               "                       once. KIND: feature-query, module-status=ID:ST[,ID:ST],\n"
               "                       call-begin[=TYPE], call-end, foreground, background, quit,\n"
               "                       record-start, record-stop, frame-rate-report=N,\n"
               "                       encoder-info=WxH:FPS, device-info, bt-oob,\n"
               "                       music-init[=RATE:CH:BITS], music-data=LEN, tts-init[=..],\n"
               "                       tts-data=LEN, vr-start[=..], vr-data=LEN, vr-stop,\n"
               "                       unknown=[CH/]TYPE[:LEN], oversize=CH[:LEN],\n"
               "                       burst=N (N pictures made first, then written back-to-back\n"
               "                       in one write), stall=MS (no picture and no heartbeat for\n"
               "                       MS ms), ignore=version|settings (that message of the head\n"
               "                       unit goes unanswered from then on), app-death, unplug,\n"
               "                       adb=FAULT (a --fault from then on).\n"
               "                       Lies (then the app goes on; random bytes are the top\n"
               "                       byte of each mt19937 output, SEED default 1):\n"
               "                       false-length=CH:LEN[:SENT] (CH 0-4: a header announcing\n"
               "                       LEN, e.g. 0, 0x80000000, 0xFFFFFFFF, 0x7FFFFFFF, then\n"
               "                       SENT bytes, default min(LEN, 8)), garbage=CH:N[:SEED]\n"
               "                       (N random bytes between two frames),\n"
               "                       bad-picture=truncated|huge|tiny|noise[:LEN[:SEED]] (a\n"
               "                       picture cut in half, one claiming 65000x65000, 1x1, or\n"
               "                       FF D8 and LEN random bytes, default 1024),\n"
               "                       bad-message=empty|truncated|overlong|wrong-type[:TYPE]\n"
               "                       (TYPE 0x00010002, 0x00010008 default, 0x0001000D),\n"
               "                       flood=[CH/]N[:TYPE] (N empty frames in one write;\n"
               "                       default heartbeats on 1); an unknown type on the video\n"
               "                       channel is unknown=1/TYPE, pictures without pause are\n"
               "                       burst=N or --unthrottled.\n"
               "                       TRIGGER: start (default), version, settings, video,\n"
               "                       foreground, pause, rate, picture:N, rx:TYPE\n"
               "  --help               this text\n"
               "\n"
               "On start it prints one line: \"phonesim listening on ADDRESS:PORT state DIR\".\n",
               PHONESIM_DEFAULT_ADDRESS, PHONESIM_DEFAULT_PORT, PHONESIM_DEFAULT_MAX_PAYLOAD);
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return out;
}

bool SplitPair(const std::string& s, std::string* k, std::string* v) {
  size_t eq = s.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *k = s.substr(0, eq);
  *v = s.substr(eq + 1);
  return true;
}

bool ParseNumber(const std::string& s, unsigned long max, unsigned long* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  *out = std::strtoul(s.c_str(), &end, 10);
  return *end == '\0' && *out <= max && s[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  SPhoneSimOptions opt;
  opt.m_nPort = PHONESIM_DEFAULT_PORT;
  std::vector<SShellRule> rules;
  std::vector<std::pair<std::string, std::string>> props;
  std::vector<std::string> missing;
  std::vector<uint16_t> echoes;
  auto rule_for = [&](const std::string& pattern) -> SShellRule& {
    for (auto& r : rules)
      if (r.m_strPattern == pattern) return r;
    rules.push_back(SShellRule{});
    rules.back().m_strPattern = pattern;
    return rules.back();
  };
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    }
    if (a == "--unthrottled") {
      opt.m_App.m_bUnthrottled = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "phonesim: %s needs a value (see --help)\n", a.c_str());
      return 2;
    }
    std::string v = argv[++i], key, val;
    unsigned long n = 0;
    bool ok = true;
    if (a == "--address") {
      opt.m_strAddress = v;
    } else if (a == "--port") {
      ok = ParseNumber(v, 65535, &n);
      opt.m_nPort = static_cast<uint16_t>(n);
    } else if (a == "--state") {
      opt.m_strStateDir = v;
    } else if (a == "--auth") {
      ok = v == "on" || v == "off";
      opt.m_bAuth = v == "on";
    } else if (a == "--accept-keys") {
      ok = v == "yes" || v == "no";
      opt.m_bAcceptKeys = v == "yes";
    } else if (a == "--trust") {
      opt.m_TrustFiles.push_back(v);
    } else if (a == "--max-payload") {
      ok = ParseNumber(v, PHONESIM_HARD_PAYLOAD_CAP, &n) && n >= 256;
      opt.m_nMaxPayload = static_cast<uint32_t>(n);
    } else if (a == "--prop") {
      ok = SplitPair(v, &key, &val);
      props.emplace_back(key, val);
    } else if (a == "--app-missing") {
      missing.push_back(v);
    } else if (a == "--shell") {
      ok = SplitPair(v, &key, &val);
      if (ok) {
        SShellRule& r = rule_for(key);
        r.m_bReplace = true;
        r.m_strText = Unescape(val);
      }
    } else if (a == "--shell-delay") {
      ok = SplitPair(v, &key, &val) && ParseNumber(val, 600000, &n);
      if (ok) rule_for(key).m_nDelayMs = static_cast<int>(n);
    } else if (a == "--shell-silent") {
      rule_for(v).m_bSilent = true;
    } else if (a == "--shell-split") {
      ok = SplitPair(v, &key, &val);
      if (ok) {
        SShellRule& r = rule_for(key);
        size_t from = 0;
        while (ok && from <= val.size()) {
          size_t comma = val.find(',', from);
          std::string part = val.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
          ok = ParseNumber(part, 1u << 30, &n);
          r.m_Splits.push_back(n);
          if (comma == std::string::npos) break;
          from = comma + 1;
        }
      }
    } else if (a == "--echo") {
      ok = ParseNumber(v, 65535, &n) && n > 0;
      echoes.push_back(static_cast<uint16_t>(n));
    } else if (a == "--fault") {
      opt.m_Faults.push_back(v);
    } else if (a == "--video-size") {
      size_t x = v.find('x');
      unsigned long w = 0, h = 0;
      ok = x != std::string::npos && ParseNumber(v.substr(0, x), APP_MAX_SIDE, &w) &&
           ParseNumber(v.substr(x + 1), APP_MAX_SIDE, &h) && w >= 16 && h >= 16;
      opt.m_App.m_nVideoWidth = static_cast<int>(w);
      opt.m_App.m_nVideoHeight = static_cast<int>(h);
    } else if (a == "--fps") {
      ok = ParseNumber(v, APP_MAX_FPS, &n) && n > 0;
      opt.m_App.m_nFps = static_cast<int>(n);
    } else if (a == "--pictures") {
      opt.m_App.m_strPicturesDir = v;
    } else if (a == "--heartbeat-ms") {
      ok = ParseNumber(v, APP_MAX_HEARTBEAT_MS, &n) && n > 0;
      opt.m_App.m_nHeartbeatMs = static_cast<int>(n);
    } else if (a == "--pre-encode") {
      ok = ParseNumber(v, 10000, &n);
      opt.m_App.m_nPreEncode = static_cast<int>(n);
    } else if (a == "--app-fault") {
      opt.m_App.m_Faults.push_back(v);
    } else {
      std::fprintf(stderr, "phonesim: unknown option %s (see --help)\n", a.c_str());
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "phonesim: bad value for %s: %s\n", a.c_str(), v.c_str());
      return 2;
    }
  }

  CPhoneSim sim;
  for (const auto& kv : props) sim.Shell().SetProp(kv.first, kv.second);
  for (const auto& p : missing) sim.Shell().SetAppInstalled(p, false);
  for (const auto& r : rules) sim.Shell().SetRule(r);
  for (uint16_t port : echoes)
    sim.Endpoints().Register(port, [] { return std::make_shared<CEchoEndpoint>(); });
  // The end's signals are blocked before the phone's threads start, so they inherit the mask and
  // the main thread alone takes them, in sigwait: none can come between a look and a wait.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
  std::string error;
  if (!sim.Start(opt, &error)) {
    std::fprintf(stderr, "phonesim: %s\n", error.c_str());
    return 1;
  }
  std::printf("phonesim listening on %s:%u state %s\n", opt.m_strAddress.c_str(), sim.Port(),
              sim.StateDir().c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&endSignals, &signal);
  sim.Stop();
  return 0;
}
