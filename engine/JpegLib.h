// JPEG decoding through libjpeg-turbo's TurboJPEG functions, loaded at run time: first the
// libraries beside the program ("libjpeg.dll", then "cximagelib.dll"), then the system's
// "libturbojpeg.so.0". Without a library nothing is decoded and the rest of the projection runs.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <string>

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
