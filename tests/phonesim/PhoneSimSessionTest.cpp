// The device side driven by a raw host: handshake, authentication, streams
// and flow control, the shell script, sync and tcp endpoints.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "phonesim/services/CEchoEndpoint.h"
#include "phonesim/services/CPipeEndpoint.h"
#include "tests/phonesim/PhoneSimFixture.h"

using namespace phonesim;
using namespace phonesim_test;

namespace {

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  return s;
}
uint32_t Le32At(const std::string& s, size_t off) {
  return uint8_t(s[off]) | (uint8_t(s[off + 1]) << 8) | (uint8_t(s[off + 2]) << 16) |
         (uint32_t(uint8_t(s[off + 3])) << 24);
}
std::string SyncReq(const char id[5], const std::string& body) {
  return std::string(id, 4) + Le32(body.size()) + body;
}

TEST_F(PhoneSimFixture, AnswersCnxnWithDeviceBannerAndOwnMaximum) {
  m_options.m_nMaxPayload = 8192;
  StartSim();
  ASSERT_TRUE(m_host.Connect(m_sim.Port()));
  SRawPacket answer;
  ASSERT_TRUE(m_host.Handshake(4096, &answer));
  EXPECT_EQ(answer.cmd, kCNXN);
  EXPECT_EQ(answer.arg0, 0x01000000u);
  EXPECT_EQ(answer.arg1, 8192u);
  EXPECT_EQ(answer.magic, ~kCNXN);
  EXPECT_EQ(answer.Text().rfind("device::", 0), 0u);
  EXPECT_NE(answer.Text().find("ro.product.model=Phonesim;"), std::string::npos);
  EXPECT_EQ(answer.Text().find("features="), std::string::npos);
  EXPECT_EQ(answer.data.back(), 0);
  EXPECT_TRUE(m_sim.Record().Violations().empty());
}

TEST_F(PhoneSimFixture, RecordsViolationsInsteadOfTrustingThem) {
  StartSim();
  ConnectOnline(4096);
  struct SCase {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* violation;
  } cases[] = {
      {"bad magic",
       [] {
         auto b = RawPacketBytes(kOPEN, 1, 0, std::string("shell:ps\0", 9));
         b[20] ^= 1;
         return b;
       }(),
       "bad magic"},
      {"bad check",
       [] {
         auto b = RawPacketBytes(kOPEN, 2, 0, std::string("shell:ps\0", 9));
         b[16] ^= 1;
         return b;
       }(),
       "check word"},
      {"over max", RawPacketBytes(kOPEN, 3, 0, std::string(5000, 'x')), "over the maximum 4096"},
  };
  for (const auto& c : cases) {
    size_t before = m_sim.Record().Violations().size();
    ASSERT_TRUE(m_host.SendBytes(c.bytes)) << c.name;
    ASSERT_TRUE(m_sim.Record().WaitFor([&] { return m_sim.Record().Violations().size() > before; }, 2000))
        << c.name;
    EXPECT_NE(m_sim.Record().Violations().back().find(c.violation), std::string::npos)
        << c.name << ": " << m_sim.Record().Violations().back();
  }
  // None of them opened a stream; the connection still serves a good OPEN.
  EXPECT_EQ(Shell(4, "getprop ro.build.version.sdk"), "23\r\n");
  EXPECT_EQ(m_sim.Record().Streams().size(), 1u);
}

class AuthTest : public PhoneSimFixture {
 protected:
  void SetUp() override {
    PhoneSimFixture::SetUp();
    // adb's own key generator writes the key pair: the public-key text is
    // then produced by code that is not ours.
    std::string cmd = "HOME=" + m_dir + " adb keygen " + m_dir + "/adbkey >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    FILE* f = std::fopen((m_dir + "/adbkey").c_str(), "r");
    ASSERT_NE(f, nullptr);
    m_key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    ASSERT_NE(m_key, nullptr);
    std::ifstream pub(m_dir + "/adbkey.pub");
    std::getline(pub, m_pub);
    m_options.m_bAuth = true;
  }
  void TearDown() override {
    EVP_PKEY_free(m_key);
    PhoneSimFixture::TearDown();
  }
  std::string Sign(const std::vector<uint8_t>& token) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(m_key, nullptr);
    EVP_PKEY_sign_init(ctx);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
    EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha1());
    size_t len = 0;
    EVP_PKEY_sign(ctx, nullptr, &len, token.data(), token.size());
    std::string sig(len, '\0');
    EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char*>(&sig[0]), &len, token.data(), token.size());
    EVP_PKEY_CTX_free(ctx);
    sig.resize(len);
    return sig;
  }
  EVP_PKEY* m_key = nullptr;
  std::string m_pub;
};

TEST_F(AuthTest, TrustedKeySignatureConnects) {
  m_options.m_TrustFiles.push_back(m_dir + "/adbkey.pub");
  StartSim();
  ASSERT_TRUE(m_host.Connect(m_sim.Port()));
  SRawPacket token, answer;
  ASSERT_TRUE(m_host.Handshake(4096, &token));
  ASSERT_EQ(token.cmd, kAUTH);
  EXPECT_EQ(token.arg0, 1u);
  ASSERT_EQ(token.data.size(), 20u);
  // A signature over something else is refused with a fresh token.
  std::vector<uint8_t> other(20, 0x5a);
  ASSERT_TRUE(m_host.Send(kAUTH, 2, 0, Sign(other)));
  ASSERT_TRUE(m_host.Recv(&answer));
  ASSERT_EQ(answer.cmd, kAUTH);
  EXPECT_EQ(answer.arg0, 1u);
  EXPECT_NE(answer.data, token.data);
  ASSERT_TRUE(m_host.Send(kAUTH, 2, 0, Sign(answer.data)));
  ASSERT_TRUE(m_host.Recv(&answer));
  EXPECT_EQ(answer.cmd, kCNXN);
  EXPECT_TRUE(m_sim.Online());
}

TEST_F(AuthTest, OfferedPublicKeyIsAcceptedAndKeptOrIgnored) {
  struct SCase {
    bool accept;
    bool connects;
  } cases[] = {{true, true}, {false, false}};
  for (const auto& c : cases) {
    m_options.m_bAcceptKeys = c.accept;
    m_options.m_strStateDir = m_dir + (c.accept ? "/accept" : "/silent");
    StartSim();
    ASSERT_TRUE(m_host.Connect(m_sim.Port()));
    SRawPacket token, answer;
    ASSERT_TRUE(m_host.Handshake(4096, &token));
    ASSERT_EQ(token.cmd, kAUTH);
    ASSERT_TRUE(m_host.Send(kAUTH, 3, 0, m_pub + std::string(1, '\0')));
    EXPECT_EQ(m_host.Recv(&answer, 500), c.connects);
    if (c.connects) {
      EXPECT_EQ(answer.cmd, kCNXN);
      std::ifstream keys(m_options.m_strStateDir + "/adb_keys");
      std::string line;
      std::getline(keys, line);
      EXPECT_EQ(line, m_pub);
    }
    m_host.Close();
    m_sim.Stop();
  }
  // The kept key is trusted by the next start on the same state.
  m_options.m_strStateDir = m_dir + "/accept";
  StartSim();
  EXPECT_EQ(m_sim.Auth().TrustedCount(), 1u);
}

TEST_F(PhoneSimFixture, StreamsGetFreshIdsAndUnknownServicesAreRefused) {
  StartSim();
  ConnectOnline();
  SRawPacket a, b, c;
  ASSERT_TRUE(m_host.Open(101, "framebuffer:", &b));
  EXPECT_EQ(b.cmd, kCLSE);
  EXPECT_EQ(b.arg1, 101u);
  ASSERT_TRUE(m_host.Open(102, "tcp:7240", &c));  // nothing listens there
  EXPECT_EQ(c.cmd, kCLSE);
  EXPECT_EQ(c.arg1, 102u);
  ASSERT_TRUE(m_host.Open(100, "shell:getprop ro.build.version.sdk", &a));
  EXPECT_EQ(a.cmd, kOKAY);
  EXPECT_EQ(a.arg1, 100u);
  std::string out;
  ASSERT_TRUE(m_host.ReadStreamToClose(100, &out));
  EXPECT_EQ(out, "23\r\n");
  SRawPacket d;
  ASSERT_TRUE(m_host.Open(103, "shell:ps", &d));
  EXPECT_EQ(d.cmd, kOKAY);
  EXPECT_NE(d.arg0, a.arg0);
  EXPECT_NE(d.arg0, 0u);
}

TEST_F(PhoneSimFixture, WritesWaitForOkayAndNeverExceedHostMaximum) {
  auto pipe = std::make_shared<CPipeEndpoint>();
  m_sim.Endpoints().Register(8240, [pipe] { return pipe; });
  StartSim();
  ConnectOnline(4096);
  SRawPacket okay;
  ASSERT_TRUE(m_host.Open(7, "tcp:8240", &okay));
  ASSERT_EQ(okay.cmd, kOKAY);
  ASSERT_TRUE(pipe->WaitOpens(1, 2000));
  ASSERT_TRUE(pipe->Write(std::string(10000, 'v').data(), 10000));
  SRawPacket w;
  ASSERT_TRUE(m_host.Recv(&w));
  EXPECT_EQ(w.cmd, kWRTE);
  EXPECT_EQ(w.len, 4096u);
  // No second WRTE before our OKAY.
  EXPECT_FALSE(m_host.Recv(&w, 200));
  size_t total = 4096;
  while (total < 10000) {
    ASSERT_TRUE(m_host.Send(kOKAY, 7, okay.arg0));
    ASSERT_TRUE(m_host.Recv(&w));
    ASSERT_EQ(w.cmd, kWRTE);
    EXPECT_LE(w.len, 4096u);
    total += w.len;
  }
  EXPECT_EQ(total, 10000u);
  // Host WRTE: OKAY back and the bytes reach the endpoint.
  ASSERT_TRUE(m_host.Send(kOKAY, 7, okay.arg0));
  ASSERT_TRUE(m_host.Send(kWRTE, 7, okay.arg0, "touch"));
  ASSERT_TRUE(m_host.Recv(&w));
  EXPECT_EQ(w.cmd, kOKAY);
  EXPECT_EQ(w.arg0, okay.arg0);
  EXPECT_EQ(w.arg1, 7u);
  ASSERT_TRUE(pipe->WaitReceived(5, 2000));
  std::vector<uint8_t> got = pipe->Received();
  EXPECT_EQ(std::string(got.begin(), got.end()), "touch");
  // Packets for unknown or closed streams are ignored; CLSE is answered.
  ASSERT_TRUE(m_host.Send(kWRTE, 7, okay.arg0 + 1000, "lost"));
  ASSERT_TRUE(m_host.Send(kCLSE, 7, okay.arg0));
  ASSERT_TRUE(m_host.Recv(&w));
  EXPECT_EQ(w.cmd, kCLSE);
  EXPECT_EQ(w.arg0, okay.arg0);
  EXPECT_EQ(w.arg1, 7u);
  ASSERT_TRUE(m_host.Send(kWRTE, 7, okay.arg0, "late"));
  EXPECT_FALSE(m_host.Recv(&w, 200));
  ASSERT_TRUE(pipe->WaitCloses(1, 2000));
  auto streams = m_sim.Record().Streams();
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].m_nBytesToHost, 10000u);
  EXPECT_EQ(streams[0].m_nBytesFromHost, 5u);
}

TEST_F(PhoneSimFixture, EchoEndpointSendsBytesBack) {
  m_sim.Endpoints().Register(9000, [] { return std::make_shared<CEchoEndpoint>(); });
  StartSim();
  ConnectOnline();
  SRawPacket okay, p;
  ASSERT_TRUE(m_host.Open(1, "tcp:9000", &okay));
  ASSERT_EQ(okay.cmd, kOKAY);
  ASSERT_TRUE(m_host.Send(kWRTE, 1, okay.arg0, "ping"));
  std::vector<SRawPacket> skipped;
  ASSERT_TRUE(m_host.RecvUntil(kWRTE, &p, 2000, &skipped));
  EXPECT_EQ(p.Text(), "ping");
}

TEST_F(PhoneSimFixture, DefaultShellPlaysAPhone) {
  StartSim();
  ConnectOnline();
  uint32_t id = 10000;
  EXPECT_EQ(Shell(id++, "getprop ro.build.version.release\n"), "6.0.1\r\n");
  EXPECT_EQ(Shell(id++, "am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity"),
            "Starting: Intent { cmp=com.velto.corvane/com.velto.corvane.CorvaneActivity }\r\n");
  m_sim.Shell().SetAppInstalled("com.velto.corvane", false);
  std::string missing = Shell(id++, "am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity");
  EXPECT_NE(missing.find("Error type 3"), std::string::npos);
  EXPECT_NE(missing.find("does not exist."), std::string::npos);
  EXPECT_EQ(Shell(id++, "mkdir /data/local/tmp/dalvik-cache"), "");
  EXPECT_NE(Shell(id++, "ls /data/local/tmp/vtim.jar").find("No such file or directory"), std::string::npos);

  // A pushed helper runs once it is executable, and then shows in ps.
  std::ofstream(PhoneFile("/data/local/tmp/vtsc")) << "helper";
  chmod(PhoneFile("/data/local/tmp/vtsc").c_str(), 0666);
  EXPECT_NE(Shell(id++, "/data/local/tmp/vtsc").find("Permission denied"), std::string::npos);
  EXPECT_EQ(Shell(id++, "chmod 777 /data/local/tmp/vtsc"), "");
  EXPECT_EQ(Shell(id++, "/data/local/tmp/vtsc"), "");
  std::string ps = Shell(id++, "ps");
  EXPECT_EQ(ps.rfind("USER ", 0), 0u);
  // The helper's line: owner "shell", pid, and no 'l' before the path.
  std::istringstream lines(ps);
  std::string line, helper;
  while (std::getline(lines, line))
    if (line.find("/data/local/tmp/vtsc") != std::string::npos) helper = line;
  ASSERT_FALSE(helper.empty()) << ps;
  EXPECT_EQ(helper.rfind("shell ", 0), 0u);
  EXPECT_EQ(helper.find('l', 5), helper.find("/data/local") + 6);
  EXPECT_NE(ps.find(" vtsy\r\n"), std::string::npos);
  int pid = std::atoi(helper.c_str() + 5);
  EXPECT_EQ(Shell(id++, "kill -9 " + std::to_string(pid)), "");
  EXPECT_FALSE(m_sim.Shell().IsRunning("/data/local/tmp/vtsc"));
  EXPECT_FALSE(m_sim.Shell().IsRunning("vtsy"));
  EXPECT_NE(Shell(id++, "kill -9 " + std::to_string(pid)).find("No such process"), std::string::npos);

  auto cmds = m_sim.Record().ShellCommands();
  ASSERT_GE(cmds.size(), 2u);
  EXPECT_EQ(cmds[0], "getprop ro.build.version.release");
  EXPECT_EQ(cmds[1], "am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity");
}

TEST_F(PhoneSimFixture, ScriptRulesReplaceSplitDelayAndSilence) {
  StartSim();
  ConnectOnline();
  SShellRule replace;
  replace.m_strPattern = "getprop ro.build.version.sdk";
  replace.m_bReplace = true;
  replace.m_strText = "19\r\n";
  replace.m_Splits = {1, 3};
  m_sim.Shell().SetRule(replace);
  std::vector<SRawPacket> writes;
  SRawPacket okay;
  ASSERT_TRUE(m_host.Open(1, "shell:getprop ro.build.version.sdk", &okay));
  std::string out;
  ASSERT_TRUE(m_host.ReadStreamToClose(1, &out, 3000, &writes));
  EXPECT_EQ(out, "19\r\n");
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].Text(), "1");
  EXPECT_EQ(writes[1].Text(), "9\r");
  EXPECT_EQ(writes[2].Text(), "\n");

  SShellRule slow;
  slow.m_strPattern = "am start*";
  // Far longer than the look below, however late the test gets to it.
  slow.m_nDelayMs = 1500;
  m_sim.Shell().SetRule(slow);
  ASSERT_TRUE(m_host.Open(2, "shell:am start -n a.b/.C", &okay));
  SRawPacket p;
  EXPECT_FALSE(m_host.Recv(&p, 150));  // nothing yet
  out.clear();
  ASSERT_TRUE(m_host.ReadStreamToClose(2, &out));
  EXPECT_NE(out.find("Error type 3"), std::string::npos);

  SShellRule mute;
  mute.m_strPattern = "ps";
  mute.m_bSilent = true;
  m_sim.Shell().SetRule(mute);
  ASSERT_TRUE(m_host.Open(3, "shell:ps", &okay));
  EXPECT_EQ(okay.cmd, kOKAY);
  EXPECT_FALSE(m_host.Recv(&p, 300));
}

TEST_F(PhoneSimFixture, SyncKeepsPushedFileWithModeAndTimeAndAnswersDone) {
  StartSim();
  ConnectOnline();
  SRawPacket okay;
  ASSERT_TRUE(m_host.Open(5, "sync:", &okay));
  ASSERT_EQ(okay.cmd, kOKAY);
  // The head unit's image: SEND, one DATA, DONE, then zero padding.
  std::string body =
      "\x7f"
      "ELF helper bytes";
  std::string image = SyncReq("SEND", "/data/local/tmp/vtsc,33206") + "DATA" + Le32(body.size()) + body +
                      "DONE" + Le32(0x55AE13B4) + std::string(8, '\0');
  ASSERT_TRUE(m_host.Send(kWRTE, 5, okay.arg0, image));
  std::string out;
  ASSERT_TRUE(m_host.ReadStreamToClose(5, &out));
  ASSERT_GE(out.size(), 8u);
  EXPECT_EQ(out.substr(0, 8), std::string("OKAY") + Le32(0));
  // The zero padding is an unknown request: FAIL, then the stream ends.
  EXPECT_EQ(out.substr(8, 4), "FAIL");

  struct stat st;
  ASSERT_EQ(stat(PhoneFile("/data/local/tmp/vtsc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(static_cast<uint32_t>(st.st_mtime), 0x55AE13B4u);
  std::ifstream f(PhoneFile("/data/local/tmp/vtsc"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), body);
  auto pushes = m_sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].m_strPath, "/data/local/tmp/vtsc");
  EXPECT_EQ(pushes[0].m_nMode, 33206u);
  EXPECT_TRUE(pushes[0].m_bOk);

  // STAT and RECV of the same file on a new stream, then QUIT.
  ASSERT_TRUE(m_host.Open(6, "sync:", &okay));
  ASSERT_TRUE(m_host.Send(kWRTE, 6, okay.arg0, SyncReq("STAT", "/data/local/tmp/vtsc")));
  SRawPacket p;
  ASSERT_TRUE(m_host.RecvUntil(kWRTE, &p));
  std::string stat_reply = p.Text();
  ASSERT_EQ(stat_reply.size(), 16u);
  EXPECT_EQ(stat_reply.substr(0, 4), "STAT");
  EXPECT_EQ(Le32At(stat_reply, 4), 0100666u);
  EXPECT_EQ(Le32At(stat_reply, 8), body.size());
  ASSERT_TRUE(m_host.Send(kOKAY, 6, okay.arg0));
  ASSERT_TRUE(m_host.Send(kWRTE, 6, okay.arg0, SyncReq("RECV", "/data/local/tmp/vtsc")));
  std::string pulled;
  while (pulled.size() < 8 || pulled.compare(pulled.size() - 8, 4, "DONE") != 0) {
    ASSERT_TRUE(m_host.RecvUntil(kWRTE, &p)) << pulled;
    pulled += p.Text();
    ASSERT_TRUE(m_host.Send(kOKAY, 6, okay.arg0));
  }
  EXPECT_EQ(pulled, "DATA" + Le32(body.size()) + body + "DONE" + Le32(0));
  ASSERT_TRUE(m_host.Send(kWRTE, 6, okay.arg0, SyncReq("QUIT", "")));
  ASSERT_TRUE(m_host.RecvUntil(kCLSE, &p));
  EXPECT_EQ(p.arg1, 6u);
}

TEST_F(PhoneSimFixture, SyncRefusesDataRecordOver64KiB) {
  StartSim();
  ConnectOnline(1024 * 1024);
  SRawPacket okay, p;
  ASSERT_TRUE(m_host.Open(5, "sync:", &okay));
  std::string big = SyncReq("SEND", "/data/local/tmp/big,33188") + "DATA" + Le32(65537);
  ASSERT_TRUE(m_host.Send(kWRTE, 5, okay.arg0, big));
  std::string out;
  ASSERT_TRUE(m_host.ReadStreamToClose(5, &out));
  EXPECT_EQ(out.substr(0, 4), "FAIL");
  EXPECT_NE(out.find("oversize data message"), std::string::npos);
  struct stat st;
  EXPECT_NE(stat(PhoneFile("/data/local/tmp/big").c_str(), &st), 0);
  auto pushes = m_sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_FALSE(pushes[0].m_bOk);
}

TEST_F(PhoneSimFixture, SyncRefusesPathsOutsideThePhone) {
  StartSim();
  ConnectOnline();
  SRawPacket okay;
  ASSERT_TRUE(m_host.Open(5, "sync:", &okay));
  ASSERT_TRUE(m_host.Send(kWRTE, 5, okay.arg0, SyncReq("SEND", "/data/../../escape,33188")));
  std::string out;
  ASSERT_TRUE(m_host.ReadStreamToClose(5, &out));
  EXPECT_EQ(out.substr(0, 4), "FAIL");
  struct stat st;
  EXPECT_NE(stat((m_sim.StateDir() + "/escape").c_str(), &st), 0);
}

TEST_F(PhoneSimFixture, LogFileHasOneLinePerEvent) {
  StartSim();
  ConnectOnline();
  Shell(1, "getprop ro.build.version.sdk");
  m_sim.Stop();
  std::ifstream log(m_sim.LogPath());
  std::string all((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(all.find(" RX CNXN arg0=0x01000000 arg1=0x00001000 len=7 check=0x00000232"), std::string::npos);
  EXPECT_NE(all.find(" TX CNXN "), std::string::npos);
  EXPECT_NE(all.find(" SHELL getprop ro.build.version.sdk\n"), std::string::npos);
  EXPECT_NE(all.find(" STREAM-CLOSE dev="), std::string::npos);
}

}  // namespace
