// JPEG decoding through libjpeg-turbo's TurboJPEG functions, loaded at run time: first the
// libraries beside the program ("libjpeg.dll", then "cximagelib.dll"), then the system's
// "libturbojpeg.so.0". Without a library nothing is decoded and the rest of the projection runs.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <string>

// The TurboJPEG calling convention, as the library exports it.
typedef void* tjhandle;
typedef tjhandle (*PFN_tjInitDecompress)();
typedef int (*PFN_tjDestroy)(tjhandle);
typedef int (*PFN_tjDecompress2)(tjhandle, const unsigned char*, unsigned long, unsigned char*, int, int, int,
                                 int, int);
typedef int (*PFN_tjDecompressHeader2)(tjhandle, unsigned char*, unsigned long, int*, int*, int*);
typedef int (*PFN_tjDecompressHeader)(tjhandle, unsigned char*, unsigned long, int*, int*);

// The loaded library, its functions and its decompressor: part of the session's picture surface.
// The video thread alone loads, uses and unloads it (InitJpgLib .. UninitJpgLib).
struct TurboJpegTable {
  HMODULE m_hModule = nullptr;
  std::string m_strPath;  // where it was found, as a host path or a bare system name
  PFN_tjInitDecompress tjInitDecompress = nullptr;
  PFN_tjDestroy tjDestroy = nullptr;
  PFN_tjDecompress2 tjDecompress2 = nullptr;
  PFN_tjDecompressHeader2 tjDecompressHeader2 = nullptr;
  PFN_tjDecompressHeader tjDecompressHeader = nullptr;
  tjhandle m_pDecompressor = nullptr;
};

// The video thread's set-up: screen depth, library, decompressor and the screen-size surface.
// 0 when the library or the decompressor is missing (no surface is made then).
int InitJpgLib();
// The end of the video thread: the decompressor, the library and the surface go.
void UninitJpgLib();

// 1 when all five functions were found in a newly loaded library; 0 when one was already loaded
// or none could be (a library lacking a function stays loaded, unusable).
int DecJpg_Init();
// Destroys the decompressor, then unloads the library.
void DecJpg_Deinit();
// 1 when a decompressor exists or was made.
int DecJpg_CreateDecompressor();

// Decodes a JPEG into the picture surface, scaled down by TurboJPEG where it is larger than
// min(width, height announced, surface size), at the surface's top left. width and height are
// the size the phone announced. Returns the surface's bits, or NULL on any failure.
BYTE* DecodeJpgToSurface(const BYTE* jpeg, DWORD size, int width, int height);

// The size of the last decoded picture in the surface (tests and drawing).
void GetDecodedSize(int* width, int* height);
// The host path of the loaded library; empty when none is loaded.
std::string DecJpg_LoadedPath();
