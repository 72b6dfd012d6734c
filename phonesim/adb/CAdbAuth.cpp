#include "phonesim/adb/CAdbAuth.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace phonesim {

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n\0");
  return s.substr(b, e - b + 1);
}

}  // namespace

bool CAdbAuth::ParsePublicKey(const std::string& text, std::vector<uint8_t>* modulus, uint32_t* exponent,
                              std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  std::string t = Trim(text);
  // The key text may arrive with its terminating zero.
  while (!t.empty() && t.back() == '\0') t.pop_back();
  size_t blank = t.find_first_of(" \t");
  std::string b64 = t.substr(0, blank);
  if (b64.empty() || b64.size() % 4 != 0 || b64.size() > 2048) return fail("key text is not Base64");
  for (char c : b64)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
          c == '/' || c == '='))
      return fail("key text is not Base64");
  std::vector<uint8_t> raw(b64.size() / 4 * 3 + 1);
  int n = EVP_DecodeBlock(raw.data(), reinterpret_cast<const unsigned char*>(b64.data()),
                          static_cast<int>(b64.size()));
  if (n < 0) return fail("key text is not Base64");
  size_t pad = 0;
  if (b64.size() >= 1 && b64[b64.size() - 1] == '=') ++pad;
  if (b64.size() >= 2 && b64[b64.size() - 2] == '=') ++pad;
  size_t len = static_cast<size_t>(n) - pad;
  if (len != ADB_PUBKEY_RECORD_SIZE) return fail("key record has the wrong size");
  const uint8_t* r = raw.data();
  if (Le32(r) != ADB_RSA_WORDS) return fail("key record is not RSA 2048");
  // modulus words start at offset 8, least significant word first.
  const uint8_t* m = r + 8;
  modulus->assign(ADB_RSA_WORDS * 4, 0);
  for (size_t i = 0; i < ADB_RSA_WORDS * 4; ++i) (*modulus)[ADB_RSA_WORDS * 4 - 1 - i] = m[i];
  *exponent = Le32(r + 8 + ADB_RSA_WORDS * 4 * 2);
  if ((*modulus)[0] == 0 || *exponent < 3) return fail("key record holds no usable key");
  return true;
}

bool CAdbAuth::VerifyWithKey(const std::vector<uint8_t>& modulus, uint32_t exponent, const uint8_t* digest,
                             size_t digest_len, const uint8_t* sig, size_t sig_len) {
  std::unique_ptr<BIGNUM, decltype(&BN_free)> n(
      BN_bin2bn(modulus.data(), static_cast<int>(modulus.size()), nullptr), BN_free);
  std::unique_ptr<BIGNUM, decltype(&BN_free)> e(BN_new(), BN_free);
  if (!n || !e || BN_set_word(e.get(), exponent) != 1) return false;
  std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)> bld(OSSL_PARAM_BLD_new(),
                                                                      OSSL_PARAM_BLD_free);
  if (!bld || OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
      OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) != 1)
    return false;
  std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)> params(OSSL_PARAM_BLD_to_param(bld.get()),
                                                                 OSSL_PARAM_free);
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> fctx(
      EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr), EVP_PKEY_CTX_free);
  EVP_PKEY* raw_key = nullptr;
  if (!params || !fctx || EVP_PKEY_fromdata_init(fctx.get()) != 1 ||
      EVP_PKEY_fromdata(fctx.get(), &raw_key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
    return false;
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(raw_key, EVP_PKEY_free);
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> vctx(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                                   EVP_PKEY_CTX_free);
  if (!vctx || EVP_PKEY_verify_init(vctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(vctx.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_CTX_set_signature_md(vctx.get(), EVP_sha1()) != 1)
    return false;
  return EVP_PKEY_verify(vctx.get(), sig, sig_len, digest, digest_len) == 1;
}

bool CAdbAuth::SetStoreFile(const std::string& path) {
  {
    std::lock_guard<std::mutex> g(m_Lock);
    m_strStore = path;
  }
  std::ifstream in(path);
  if (!in) return true;  // no file yet: nothing trusted so far
  std::string line;
  while (std::getline(in, line))
    if (!Trim(line).empty()) Trust(line, false);
  return true;
}

int CAdbAuth::TrustFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return 0;
  int count = 0;
  std::string line;
  while (std::getline(in, line))
    if (!Trim(line).empty() && Trust(line, false)) ++count;
  return count;
}

bool CAdbAuth::Trust(const std::string& text, bool persist) {
  SKey k;
  if (!ParsePublicKey(text, &k.m_Modulus, &k.m_nExponent, nullptr)) return false;
  k.m_strText = Trim(text);
  while (!k.m_strText.empty() && k.m_strText.back() == '\0') k.m_strText.pop_back();
  std::lock_guard<std::mutex> g(m_Lock);
  for (const auto& old : m_Keys)
    if (old.m_Modulus == k.m_Modulus && old.m_nExponent == k.m_nExponent) return true;
  if (persist && !m_strStore.empty()) {
    FILE* f = std::fopen(m_strStore.c_str(), "a");
    if (f != nullptr) {
      std::fprintf(f, "%s\n", k.m_strText.c_str());
      std::fclose(f);
    }
  }
  m_Keys.push_back(std::move(k));
  return true;
}

size_t CAdbAuth::TrustedCount() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Keys.size();
}

void CAdbAuth::Clear() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Keys.clear();
}

std::vector<uint8_t> CAdbAuth::NewToken() {
  std::vector<uint8_t> t(ADB_TOKEN_SIZE);
  if (RAND_bytes(t.data(), static_cast<int>(t.size())) != 1) {
    // Never send a predictable token quietly; a zero token still tests
    // the signature path but marks itself.
    std::fill(t.begin(), t.end(), 0);
  }
  return t;
}

bool CAdbAuth::Verify(const std::vector<uint8_t>& token, const uint8_t* sig, size_t sig_len) const {
  std::vector<SKey> keys;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    keys = m_Keys;
  }
  for (const auto& k : keys)
    if (VerifyWithKey(k.m_Modulus, k.m_nExponent, token.data(), token.size(), sig, sig_len)) return true;
  return false;
}

}  // namespace phonesim
