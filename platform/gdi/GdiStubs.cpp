// Calls declared for the UI framework whose bodies are still to come: each fails cleanly.
#include "gdi/gdi.h"

#include "kernel/kernel.h"

namespace {
template <class T>
T Unsupported(T result) {
  SetLastError(ERROR_GEN_FAILURE);
  return result;
}
}  // namespace

HGDIOBJ GetStockObject(int) {
  return Unsupported<HGDIOBJ>(nullptr);
}
int SetBkMode(HDC, int) {
  return Unsupported(0);
}
COLORREF SetTextColor(HDC, COLORREF) {
  return Unsupported<COLORREF>(CLR_INVALID);
}
int SetStretchBltMode(HDC, int) {
  return Unsupported(0);
}
BOOL SetViewportOrgEx(HDC, int, int, LPPOINT) {
  return Unsupported<BOOL>(FALSE);
}
HRGN CreateRectRgn(int, int, int, int) {
  return Unsupported<HRGN>(nullptr);
}
int SelectClipRgn(HDC, HRGN) {
  return Unsupported(ERROR);
}
BOOL StretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD) {
  return Unsupported<BOOL>(FALSE);
}
BOOL TransparentImage(HDC, LONG, LONG, LONG, LONG, HANDLE, LONG, LONG, LONG, LONG, COLORREF) {
  return Unsupported<BOOL>(FALSE);
}
HBRUSH CreateSolidBrush(COLORREF) {
  return Unsupported<HBRUSH>(nullptr);
}
int FillRect(HDC, const RECT*, HBRUSH) {
  return Unsupported(0);
}
HFONT CreateFontIndirectW(const LOGFONTW*) {
  return Unsupported<HFONT>(nullptr);
}
int DrawTextW(HDC, LPCWSTR, int, LPRECT, UINT) {
  return Unsupported(0);
}
BOOL GetTextExtentExPointW(HDC, LPCWSTR, int, int, LPINT, LPINT, LPSIZE) {
  return Unsupported<BOOL>(FALSE);
}
int AddFontResourceW(LPCWSTR) {
  return Unsupported(0);
}
BOOL RemoveFontResourceW(LPCWSTR) {
  return Unsupported<BOOL>(FALSE);
}
