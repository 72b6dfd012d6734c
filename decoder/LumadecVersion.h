// The version line each part of the library writes when an instance is created.
#pragma once

struct LumadecVersion {
  int m_nMajor;
  int m_nMinor;
  int m_nPatch;
  const char* m_pszKind;  // "[A]" audio, "[V]" video
};

const LumadecVersion kLumadecAudioVersion = {1, 0, 0, "[A]"};
const LumadecVersion kLumadecVideoVersion = {2, 0, 0, "[V]"};

void LumadecLogVersion(const LumadecVersion& rVersion);
