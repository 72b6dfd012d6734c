#include "platform/kernel/crypt.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CryptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CryptAcquireContextW(&m_prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  }
  void TearDown() override {
    wce::SetRandomSource(nullptr);
    CryptReleaseContext(m_prov, 0);
  }
  HCRYPTPROV m_prov = 0;
};

TEST_F(CryptTest, FixedBytesFromTheSource) {
  wce::SetRandomSource([](BYTE* buf, DWORD len) {
    for (DWORD i = 0; i < len; ++i) buf[i] = static_cast<BYTE>(0xA0 + i);
    return true;
  });
  std::vector<BYTE> bytes(16, 0);
  ASSERT_TRUE(CryptGenRandom(m_prov, 16, bytes.data()));
  EXPECT_EQ(bytes, (std::vector<BYTE>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB,
                                      0xAC, 0xAD, 0xAE, 0xAF}));
}

TEST_F(CryptTest, FailingSourceFailsTheCall) {
  wce::SetRandomSource([](BYTE*, DWORD) { return false; });
  BYTE buf[16];
  SetLastError(0);
  EXPECT_FALSE(CryptGenRandom(m_prov, 16, buf));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST_F(CryptTest, SystemBytesWithoutASource) {
  std::vector<BYTE> a(32, 0), b(32, 0);
  ASSERT_TRUE(CryptGenRandom(m_prov, 32, a.data()));
  ASSERT_TRUE(CryptGenRandom(m_prov, 32, b.data()));
  EXPECT_NE(a, b);  // equal with probability 2^-256
  EXPECT_NE(a, std::vector<BYTE>(32, 0));
}

TEST_F(CryptTest, ContextsMustBeOpen) {
  HCRYPTPROV other = 0;
  ASSERT_TRUE(CryptAcquireContextW(&other, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_NE(other, m_prov);
  EXPECT_TRUE(CryptReleaseContext(other, 0));
  BYTE buf[4];
  SetLastError(0);
  EXPECT_FALSE(CryptGenRandom(other, 4, buf));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CryptReleaseContext(other, 0));
  EXPECT_FALSE(CryptAcquireContextW(nullptr, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_FALSE(CryptGenRandom(m_prov, 4, nullptr));
}

}  // namespace
