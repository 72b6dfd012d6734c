// ADB authentication against the simulated phone: which key signs which token, when the public
// key is offered, and that the key files beside the program are never rewritten.
#include "tests/phonelink/PhoneLinkE2E.h"

#include "phonesim/adb/CAdbAuth.h"

namespace linktest {
namespace {

enum class Answer { Sig0, Sig1, Pub0, Pub1 };

// Checks one AUTH of the host against the token that the phone sent just before it.
void ExpectAnswer(const SPacketRecord& token, const SPacketRecord& answer, Answer expected, size_t index) {
  SCOPED_TRACE("AUTH answer " + std::to_string(index));
  EXPECT_EQ(answer.m_nArg1, 0u);
  if (expected == Answer::Pub0 || expected == Answer::Pub1) {
    EXPECT_EQ(answer.m_nArg0, 3u) << "public key";
    EXPECT_EQ(answer.m_Payload, Text0(g_szAdbPublicKeyText[expected == Answer::Pub0 ? 0 : 1]));
    return;
  }
  ASSERT_EQ(answer.m_nArg0, 2u) << "signature";
  ASSERT_EQ(token.m_nArg0, 1u) << "the phone's token";
  std::vector<uint8_t> modulus;
  uint32_t exponent = 0;
  std::string error;
  ASSERT_TRUE(phonesim::CAdbAuth::ParsePublicKey(g_szAdbPublicKeyText[expected == Answer::Sig0 ? 0 : 1],
                                                 &modulus, &exponent, &error))
      << error;
  EXPECT_EQ(answer.m_nDataLength, 256u);
  EXPECT_TRUE(phonesim::CAdbAuth::VerifyWithKey(modulus, exponent, token.m_Payload.data(),
                                                token.m_Payload.size(), answer.m_Payload.data(),
                                                answer.m_Payload.size()))
      << "signed with key " << (expected == Answer::Sig0 ? 0 : 1);
}

// The AUTH packets in order: each phone token followed by the host's answer to it.
void ExpectExchange(const std::vector<SPacketRecord>& packets, const std::vector<Answer>& expected) {
  std::vector<std::pair<SPacketRecord, SPacketRecord>> pairs;
  const SPacketRecord* token = nullptr;
  for (auto& p : packets) {
    if (p.m_nCommand != kAuth) continue;
    if (!p.m_bFromHost) {
      token = &p;
    } else if (token) {
      pairs.emplace_back(*token, p);
    }
  }
  ASSERT_EQ(pairs.size(), expected.size());
  for (size_t i = 0; i < pairs.size(); ++i) ExpectAnswer(pairs[i].first, pairs[i].second, expected[i], i);
}

struct AuthCase {
  const char* m_pszName;
  int m_nTrusted;       // public-key text the phone trusts from the start, -1 none
  bool m_bAcceptOffer;  // the phone's user allows an offered key
  std::vector<Answer> m_Answers;
  bool m_bConnects;
};

void PrintTo(const AuthCase& c, std::ostream* os) {
  *os << c.m_pszName;
}

class PhoneLinkAuth : public PhoneLinkE2E, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(PhoneLinkAuth, AnswersEachTokenInKeyOrder) {
  const AuthCase& c = GetParam();
  phonesim::SPhoneSimOptions options;
  options.m_bAuth = true;
  options.m_bAcceptKeys = c.m_bAcceptOffer;
  StartPhone(options);
  if (c.m_nTrusted >= 0) {
    ASSERT_TRUE(m_Sim.Auth().Trust(g_szAdbPublicKeyText[c.m_nTrusted], false));
  }
  ASSERT_EQ(Corvane_Adb_Init(), 0);
  if (c.m_bConnects) {
    ASSERT_TRUE(WaitConnected());
  } else {
    ASSERT_TRUE(WaitUntil([&] { return FromHost(kAuth).size() >= c.m_Answers.size(); }, 8000));
    // The phone that never accepts sends no CNXN, and only its CNXN connects the link.
    EXPECT_TRUE(FromPhone(kCnxn).empty());
    EXPECT_EQ(Corvane_Adb_IsConnected(), 0);
  }
  ExpectExchange(m_Sim.Record().Packets(), c.m_Answers);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PhoneLinkAuth,
    ::testing::Values(AuthCase{"TrustsKey0", 0, false, {Answer::Sig0}, true},
                      AuthCase{"TrustsKey1", 1, false, {Answer::Sig0, Answer::Sig1}, true},
                      AuthCase{
                          "AllowsTheOfferedKey", -1, true, {Answer::Sig0, Answer::Sig1, Answer::Pub0}, true},
                      AuthCase{"NeverAllows", -1, false, {Answer::Sig0, Answer::Sig1, Answer::Pub0}, false}),
    [](const ::testing::TestParamInfo<AuthCase>& info) { return std::string(info.param.m_pszName); });

TEST_F(PhoneLinkE2E, AuthNextCycleOffersThePublicKey1) {
  phonesim::SPhoneSimOptions options;
  options.m_bAuth = true;
  options.m_bAcceptKeys = false;
  StartPhone(options);
  ASSERT_EQ(Corvane_Adb_Init(), 0);
  ASSERT_TRUE(WaitUntil([&] { return FromHost(kAuth).size() >= 3; }, 8000));
  // The cable is pulled and plugged again: the cursor starts over, the public key moves on.
  m_Sim.Unplug();
  ASSERT_TRUE(WaitUntil([&] { return FromHost(kAuth).size() >= 6; }, 8000));
  EXPECT_EQ(UsbOut(), (std::vector<int>{1, 0, 1}));
  ExpectExchange(m_Sim.Record().Packets(),
                 {Answer::Sig0, Answer::Sig1, Answer::Pub0, Answer::Sig0, Answer::Sig1, Answer::Pub1});
}

struct KeyFileCase {
  const char* m_pszName;
  bool m_bFile0Readable;
  bool m_bFile1Readable;
  std::vector<Answer> m_Answers;
};

void PrintTo(const KeyFileCase& c, std::ostream* os) {
  *os << c.m_pszName;
}

class PhoneLinkKeyFiles : public PhoneLinkE2E, public ::testing::WithParamInterface<KeyFileCase> {};

TEST_P(PhoneLinkKeyFiles, UnreadableKeysAreSkippedAndFilesKept) {
  const KeyFileCase& c = GetParam();
  const std::string notAKey = "this file holds no key\n";
  const std::string key0 = g_szAdbPrivateKeyText[0], key1 = g_szAdbPrivateKeyText[1];
  const std::string before0 = c.m_bFile0Readable ? key0 : notAKey;
  const std::string before1 = c.m_bFile1Readable ? key1 : notAKey;
  WriteFile(m_Root / "prog" / "userkey0", before0);
  WriteFile(m_Root / "prog" / "userkey1", before1);
  phonesim::SPhoneSimOptions options;
  options.m_bAuth = true;
  options.m_bAcceptKeys = true;
  StartPhone(options);
  StartLink();
  ExpectExchange(m_Sim.Record().Packets(), c.m_Answers);
  EXPECT_EQ(ReadFile(m_Root / "prog" / "userkey0"), before0);
  EXPECT_EQ(ReadFile(m_Root / "prog" / "userkey1"), before1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PhoneLinkKeyFiles,
    ::testing::Values(KeyFileCase{"NoneReadable", false, false, {Answer::Pub0}},
                      KeyFileCase{"OnlyKey1Readable", false, true, {Answer::Sig1, Answer::Pub0}},
                      KeyFileCase{"BothReadable", true, true, {Answer::Sig0, Answer::Sig1, Answer::Pub0}}),
    [](const ::testing::TestParamInfo<KeyFileCase>& info) { return std::string(info.param.m_pszName); });

}  // namespace
}  // namespace linktest
