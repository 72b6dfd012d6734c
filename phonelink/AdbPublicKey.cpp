#include "phonelink/AdbPublicKey.h"

#include <openssl/evp.h>

#include <memory>

namespace AdbPublicKey {

namespace {
struct BnFree {
  void operator()(BIGNUM* b) const { BN_free(b); }
};
struct CtxFree {
  void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

void PutLe32(std::vector<unsigned char>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}
// A number of kModulusWords words, least significant byte first.
bool PutNumber(std::vector<unsigned char>& v, const BIGNUM* b) {
  unsigned char le[4 * kModulusWords];
  if (BN_bn2lebinpad(b, le, sizeof(le)) != static_cast<int>(sizeof(le))) return false;
  v.insert(v.end(), le, le + sizeof(le));
  return true;
}
}  // namespace

std::vector<unsigned char> Record(const BIGNUM* n, const BIGNUM* e) {
  std::vector<unsigned char> rec;
  if (!n || !e || BN_num_bits(n) != 32 * kModulusWords || !BN_is_odd(n)) return rec;
  std::unique_ptr<BN_CTX, CtxFree> ctx(BN_CTX_new());
  Bn r32(BN_new()), n0(BN_new()), inv(BN_new()), rr(BN_new());
  if (!ctx || !r32 || !n0 || !inv || !rr) return rec;
  // n0inv = -(n^-1) mod 2^32
  BN_set_bit(r32.get(), 32);
  if (!BN_nnmod(n0.get(), n, r32.get(), ctx.get())) return rec;
  if (!BN_mod_inverse(inv.get(), n0.get(), r32.get(), ctx.get())) return rec;
  uint32_t n0inv = static_cast<uint32_t>(0u - static_cast<uint32_t>(BN_get_word(inv.get())));
  // rr = (2^2048)^2 mod n
  BN_set_bit(rr.get(), 2 * 32 * kModulusWords);
  if (!BN_nnmod(rr.get(), rr.get(), n, ctx.get())) return rec;
  if (BN_num_bits(e) > 32) return rec;

  PutLe32(rec, kModulusWords);
  PutLe32(rec, n0inv);
  if (!PutNumber(rec, n) || !PutNumber(rec, rr.get())) return {};
  PutLe32(rec, static_cast<uint32_t>(BN_get_word(e)));
  return rec;
}

std::string Text(const BIGNUM* n, const BIGNUM* e, const std::string& comment) {
  std::vector<unsigned char> rec = Record(n, e);
  if (rec.size() != kRecordSize) return {};
  std::string b64(4 * ((rec.size() + 2) / 3) + 1, '\0');
  int len =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&b64[0]), rec.data(), static_cast<int>(rec.size()));
  b64.resize(static_cast<size_t>(len));
  return b64 + " " + comment;
}

}  // namespace AdbPublicKey
