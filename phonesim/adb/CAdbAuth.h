#pragma once
// The phone's side of ADB authentication: tokens, the keys it trusts (kept
// in a file, one ADB public-key text a line, like adbd's key list) and the
// check of a host's signature.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace phonesim {

constexpr size_t ADB_TOKEN_SIZE = 20;
// ADB's RSA public-key record: modulus size in words, n0inv, modulus and
// R^2 mod n as 64 little-endian words each, exponent.
constexpr size_t ADB_RSA_WORDS = 64;
constexpr size_t ADB_PUBKEY_RECORD_SIZE = 4 + 4 + ADB_RSA_WORDS * 4 * 2 + 4;

class CAdbAuth {
 public:
  CAdbAuth() = default;
  CAdbAuth(const CAdbAuth&) = delete;
  CAdbAuth& operator=(const CAdbAuth&) = delete;

  // The file that keeps trusted keys: read now, appended to when a key is
  // accepted. Lines that do not hold a key are skipped.
  bool SetStoreFile(const std::string& path);
  // Trusts every key in a public-key file (such as adbkey.pub) without
  // writing them to the store. Returns the number of keys taken.
  int TrustFile(const std::string& path);
  // Trusts one key text (Base64 record, optional blank and comment); when
  // persist is set it is also appended to the store file.
  bool Trust(const std::string& text, bool persist);
  size_t TrustedCount() const;
  void Clear();

  static std::vector<uint8_t> NewToken();
  // Checks an RSA PKCS#1 v1.5 signature made over the token as a SHA-1 digest.
  bool Verify(const std::vector<uint8_t>& token, const uint8_t* sig, size_t sig_len) const;

  // Decodes the Base64 part of a key text into the key's modulus (big-endian
  // bytes) and exponent; false (and *error) on a malformed text or record.
  static bool ParsePublicKey(const std::string& text, std::vector<uint8_t>* modulus, uint32_t* exponent,
                             std::string* error);
  // Verifies sig over digest with the RSA key (modulus, exponent).
  static bool VerifyWithKey(const std::vector<uint8_t>& modulus, uint32_t exponent, const uint8_t* digest,
                            size_t digest_len, const uint8_t* sig, size_t sig_len);

 private:
  struct SKey {
    std::vector<uint8_t> m_Modulus;
    uint32_t m_nExponent = 0;
    std::string m_strText;
  };
  mutable std::mutex m_Lock;
  std::vector<SKey> m_Keys;
  std::string m_strStore;
};

}  // namespace phonesim
