// RSA_sign, PEM_read_RSAPrivateKey and RSA_free are deprecated in OpenSSL 3 but present;
// this file alone is built without that warning.
#include "phonelink/AdbKeys.h"

#include "phonelink/AdbKeyTexts.h"
#include "phonelink/AdbSession.h"
#include "phonelink/LinkLog.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {
void AppendKey(RSA* key) {
  AdbKeyNode& head = g_adb.m_Keys.m_Head;
  AdbKeyNode* node = new (std::nothrow) AdbKeyNode{&head, head.m_pPrev, key};
  if (!node) {
    RSA_free(key);
    return;
  }
  head.m_pPrev->m_pNext = node;
  head.m_pPrev = node;
}
}  // namespace

int LoadKeys(const char* directory) {
  for (int i = 0; i < 2; ++i) {
    char path[MAX_PATH + 16];
    std::snprintf(path, sizeof(path), "%suserkey%d", directory ? directory : "", i);
    const std::u16string cePath = WceUtf8ToWide(path);
    std::string hostPath = wce::HostPath(cePath);
    // The stored key goes into a new file readable by its owner only, as a private key must.
    if (GetFileAttributesW(cePath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !wce::CreateOwnerOnlyFile(hostPath, g_szAdbPrivateKeyText[i],
                                  std::strlen(g_szAdbPrivateKeyText[i]))) {
      // One file that cannot be written costs only its own key.
      continue;
    }
    FILE* f = std::fopen(hostPath.c_str(), "r");
    if (!f) continue;
    RSA* key = RSA_new();
    if (key && PEM_read_RSAPrivateKey(f, &key, nullptr, nullptr)) {
      std::fclose(f);
      AppendKey(key);
    } else {
      char text[1024];
      ERR_error_string_n(ERR_get_error(), text, sizeof(text));
      std::fclose(f);
      RSA_free(key);
    }
  }
  return KeyCount();
}

AdbKeyNode* NextKey(AdbKeyNode* cursor) {
  AdbKeyNode* head = &g_adb.m_Keys.m_Head;
  if (head->m_pNext == head) return nullptr;
  if (!cursor) return head->m_pNext;
  for (AdbKeyNode* n = head->m_pNext; n != head; n = n->m_pNext) {
    if (n == cursor) return n->m_pNext == head ? nullptr : n->m_pNext;
  }
  return nullptr;
}

uint32_t SignToken(AdbKeyNode* node, const uint8_t* token, uint32_t tokenLength, uint8_t* out) {
  if (!node || !node->m_pKey || !token || !out) return 0;
  if (static_cast<uint32_t>(RSA_size(node->m_pKey)) > 4096) return 0;
  unsigned int length = 0;
  if (RSA_sign(NID_sha1, token, tokenLength, out, &length, node->m_pKey) != 1) {
    ERR_clear_error();
    return 0;
  }
  return length;
}

uint32_t GetPublicKeyText(char* out, size_t outSize) {
  int& index = g_adb.m_Keys.m_nPublicKeyIndex;
  const char* text = g_szAdbPublicKeyText[index];
  index = 1 - index;
  size_t length = std::strlen(text) + 1;
  if (!out || length > outSize) return 0;
  std::memcpy(out, text, length);
  return static_cast<uint32_t>(length);
}

void FreeKeys() {
  AdbKeyNode* head = &g_adb.m_Keys.m_Head;
  AdbKeyNode* n = head->m_pNext;
  while (n != head) {
    AdbKeyNode* next = n->m_pNext;
    RSA_free(n->m_pKey);
    delete n;
    n = next;
  }
  head->m_pNext = head->m_pPrev = head;
}

int KeyCount() {
  const AdbKeyNode* head = &g_adb.m_Keys.m_Head;
  int count = 0;
  for (const AdbKeyNode* n = head->m_pNext; n != head; n = n->m_pNext) ++count;
  return count;
}

void ResetPublicKeyIndex() {
  g_adb.m_Keys.m_nPublicKeyIndex = 0;
}
