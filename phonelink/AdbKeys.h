// The head unit's ADB authentication keys: two key files in the program's directory, the list
// of keys loaded from them, token signing and the public-key answer.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct rsa_st RSA;

struct AdbKeyNode {
  AdbKeyNode* m_pNext;
  AdbKeyNode* m_pPrev;
  RSA* m_pKey;
};

// Loads "<dir>userkey0" and "<dir>userkey1" (dir is the program's CE directory ending in "\"),
// writing a missing file from the stored text first (mode 0600, never over an existing file).
// Returns the number of keys in the list.
int LoadKeys(const char* directory);
// The node after cursor; the first node when cursor is null; null after the last.
AdbKeyNode* NextKey(AdbKeyNode* cursor);
// SHA-1 PKCS#1 signature of the token into out (at least 256 bytes); 0 on failure.
uint32_t SignToken(AdbKeyNode* node, const uint8_t* token, uint32_t tokenLength, uint8_t* out);
// The next public-key text with its zero (texts 0, 1, 0, 1 ...); returns bytes written incl. the zero.
uint32_t GetPublicKeyText(char* out, size_t outSize);
void FreeKeys();
int KeyCount();
// Tests: the public-key index back to 0.
void ResetPublicKeyIndex();
