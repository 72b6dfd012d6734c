// Build-time tool: turns the two private keys made for this build into the link's stored key
// texts (the PEM texts as they are, and the ADB public-key text of each).
//   AdbKeyTextGen key0.pem key1.pem out.cpp
#include "phonelink/AdbPublicKey.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {
bool ReadText(const char* path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *text = ss.str();
  return true;
}

std::string Literal(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n')
      out += "\\n\"\n    \"";
    else if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else
      out += c;
  }
  return out + "\"";
}

bool PublicText(const std::string& pem, const std::string& comment, std::string* text) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
  BIO_free(bio);
  if (!key) return false;
  BIGNUM* n = nullptr;
  BIGNUM* e = nullptr;
  bool ok = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n) &&
            EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e);
  if (ok) *text = AdbPublicKey::Text(n, e, comment);
  BN_free(n);
  BN_free(e);
  EVP_PKEY_free(key);
  return ok && !text->empty();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s key0.pem key1.pem out.cpp\n", argv[0]);
    return 2;
  }
  std::string pem[2], pub[2];
  const char* comments[2] = {"corvane@headunit0", "corvane@headunit1"};
  for (int i = 0; i < 2; ++i) {
    if (!ReadText(argv[1 + i], &pem[i]) || !PublicText(pem[i], comments[i], &pub[i])) {
      std::fprintf(stderr, "AdbKeyTextGen: cannot use %s\n", argv[1 + i]);
      return 1;
    }
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << "// Made at build time from this build's own keys; never committed.\n"
      << "#include \"phonelink/AdbKeyTexts.h\"\n\n"
      << "const char* const g_szAdbPrivateKeyText[2] = {\n    " << Literal(pem[0]) << ",\n    "
      << Literal(pem[1]) << "};\n\n"
      << "const char* const g_szAdbPublicKeyText[2] = {\n    " << Literal(pub[0]) << ",\n    "
      << Literal(pub[1]) << "};\n";
  return out ? 0 : 1;
}
