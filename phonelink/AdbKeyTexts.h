// The stored key texts. Each build makes its own key pairs (see CMakeLists.txt): text 0 is a
// PKCS#8 PEM ("BEGIN PRIVATE KEY"), text 1 a PKCS#1 PEM ("BEGIN RSA PRIVATE KEY"); the public
// texts are their ADB public-key lines.
#pragma once

extern const char* const g_szAdbPrivateKeyText[2];
extern const char* const g_szAdbPublicKeyText[2];
