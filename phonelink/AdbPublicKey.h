// ADB's public-key text: the Base64 of the key record that the phone's daemon keeps in its
// list of allowed hosts, one line, then a blank and a comment.
//   record (little-endian words): modulus length in words (64 for RSA 2048), n0inv = -1/n mod 2^32,
//   the modulus (least significant word first), R^2 mod n with R = 2^2048, the exponent.
#pragma once

#include <openssl/bn.h>

#include <string>
#include <vector>

namespace AdbPublicKey {

constexpr int kModulusWords = 64;
constexpr size_t kRecordSize = 4 + 4 + 4 * kModulusWords + 4 * kModulusWords + 4;

// The record of a 2048-bit key; empty when the modulus has another size.
std::vector<unsigned char> Record(const BIGNUM* n, const BIGNUM* e);
// "<base64 of the record> <comment>"; empty on failure.
std::string Text(const BIGNUM* n, const BIGNUM* e, const std::string& comment);

}  // namespace AdbPublicKey
