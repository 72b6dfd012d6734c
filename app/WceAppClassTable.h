// The class records that the application gives the class registry: each class that dialog files
// or the program create by name, with the base class its record names. The table spans the whole
// application (framework classes, screens, the video layer and the widgets), so it lies above
// all of them.
#pragma once

#include "platform/kernel/wcetypes.h"

struct WceAppClassRecord {
  LPCWSTR m_pszClassName;
  LPCWSTR m_pszBaseClassName;  // NULL for the root of every object
};

// The table and its number of records.
const WceAppClassRecord* WceAppGetClassTable(int* pCount);
