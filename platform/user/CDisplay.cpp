#include "platform/user/CDisplay.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/CWindowManager.h"
#include "platform/gdi/GdiHooks.h"

#include <cstdlib>

namespace {
// The present step draws through window DCs, whose release reports damage again: the composing
// thread's own reports are not damage.
thread_local bool t_composing = false;

const DisplayDriver* DriverNamed(const std::string& name) {
  if (name == "headless") return HeadlessDisplayDriver();
  if (name == "sdl") return SdlDisplayDriver();
  return nullptr;
}

// The environment variable that picks the display of a program that does not pick one itself.
const char kDisplayVariable[] = "CORVANE_DISPLAY";
}  // namespace

CDisplay& CDisplay::GetInstance() {
  // Never destroyed: threads may still draw while the process winds down.
  static CDisplay* instance = new CDisplay();
  return *instance;
}

CDisplay::CDisplay() {
  m_Damage.reserve(kMaxDamage);
}

void CDisplay::OpenDefaultLocked() {
  if (m_pDriver != nullptr) return;
  const wce::ScreenConfig screen = wce::GetScreen();
  const char* wanted = std::getenv(kDisplayVariable);
  const DisplayDriver* driver = wanted != nullptr ? DriverNamed(wanted) : nullptr;
  if (wanted != nullptr && driver == nullptr)
    wce::DebugPrint("display: unknown %s '%s', headless\n", kDisplayVariable, wanted);
  if (driver != nullptr && !driver->m_pfnOpen(screen.m_nWidth, screen.m_nHeight, screen.m_nBitsPerPixel)) {
    wce::DebugPrint("display: %s cannot open, headless\n", driver->m_pName);
    driver = nullptr;
  }
  m_pDriver = driver != nullptr ? driver : HeadlessDisplayDriver();
}

bool CDisplay::SetDriver(const std::string& name) {
  const DisplayDriver* driver = DriverNamed(name);
  if (driver == nullptr) return false;
  const DisplayDriver* previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    OpenDefaultLocked();
    if (driver == m_pDriver) return true;
    const wce::ScreenConfig screen = wce::GetScreen();
    if (!driver->m_pfnOpen(screen.m_nWidth, screen.m_nHeight, screen.m_nBitsPerPixel)) return false;
    previous = m_pDriver;
    m_pDriver = driver;
    m_Damage.clear();
    AddDamageLocked(RECT{0, 0, screen.m_nWidth, screen.m_nHeight});
  }
  // Closed outside the lock: a driver's thread may be presenting and wait for it.
  previous->m_pfnClose();
  driver->m_pfnDamaged();
  return true;
}

std::string CDisplay::DriverName() {
  std::lock_guard<std::mutex> lock(m_Lock);
  OpenDefaultLocked();
  return m_pDriver->m_pName;
}

void CDisplay::AddDamageLocked(const RECT& rect) {
  if (IsRectEmpty(&rect)) return;
  for (RECT& d : m_Damage) {
    RECT both;
    UnionRect(&both, &d, &rect);
    if (EqualRect(&both, &d)) return;  // already inside
    if (EqualRect(&both, &rect)) {
      d = rect;
      return;
    }
  }
  if (m_Damage.size() < kMaxDamage) {
    m_Damage.push_back(rect);
    return;
  }
  RECT all = rect;
  for (const RECT& d : m_Damage) UnionRect(&all, &all, &d);
  m_Damage.clear();
  m_Damage.push_back(all);
}

void CDisplay::DamageScreen(const RECT& rect) {
  if (t_composing) return;
  const DisplayDriver* driver = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    OpenDefaultLocked();
    AddDamageLocked(rect);
    driver = m_pDriver;
  }
  driver->m_pfnDamaged();
}

void CDisplay::DamageWindow(HWND hwnd) {
  if (t_composing) return;
  RECT rect;
  if (!CWindowManager::GetInstance().IsShownAndEnabled(hwnd, false)) return;
  if (!CWindowManager::GetInstance().ScreenRect(hwnd, &rect)) return;
  DamageScreen(rect);
}

// A new framebuffer (first use, a new screen size or depth, or GDI forgot it) is damaged whole.
bool CDisplay::FrameLocked() {
  const wce::ScreenConfig screen = wce::GetScreen();
  BITMAP bm;
  if (m_hFrame != nullptr && GetObjectW(m_hFrame, sizeof(bm), &bm) == sizeof(bm) &&
      bm.bmWidth == screen.m_nWidth && bm.bmHeight == screen.m_nHeight &&
      bm.bmBitsPixel == screen.m_nBitsPerPixel) {
    return true;
  }
  if (m_hFrameDc != nullptr) DeleteDC(m_hFrameDc);
  if (m_hFrame != nullptr) DeleteObject(m_hFrame);
  m_hFrame = nullptr;
  m_hFrameDc = nullptr;
  struct {
    BITMAPINFOHEADER m_Header;
    DWORD m_Masks[3];
  } info = {};
  info.m_Header.biSize = sizeof(BITMAPINFOHEADER);
  info.m_Header.biWidth = screen.m_nWidth;
  info.m_Header.biHeight = -screen.m_nHeight;  // rows top-down, as a screen is read
  info.m_Header.biPlanes = 1;
  info.m_Header.biBitCount = static_cast<WORD>(screen.m_nBitsPerPixel);
  info.m_Header.biCompression = screen.m_nBitsPerPixel == 16 ? BI_BITFIELDS : BI_RGB;
  info.m_Masks[0] = 0xF800;
  info.m_Masks[1] = 0x07E0;
  info.m_Masks[2] = 0x001F;
  void* bits = nullptr;
  m_hFrame = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                              nullptr, 0);
  if (m_hFrame == nullptr) return false;
  m_hFrameDc = CreateCompatibleDC(nullptr);
  if (m_hFrameDc == nullptr || SelectObject(m_hFrameDc, m_hFrame) == nullptr) return false;
  GetObjectW(m_hFrame, sizeof(m_Frame), &m_Frame);
  m_Damage.clear();
  AddDamageLocked(RECT{0, 0, screen.m_nWidth, screen.m_nHeight});
  return true;
}

void CDisplay::ComposeLocked(const RECT& area) {
  HRGN clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
  SelectClipRgn(m_hFrameDc, clip);
  DeleteObject(clip);
  // What no window covers is black, as an unlit panel.
  BitBlt(m_hFrameDc, area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr, 0, 0,
         BLACKNESS);
  for (const WindowLayer& layer : CWindowManager::GetInstance().Layers()) {
    RECT part;
    if (!IntersectRect(&part, &layer.m_rcVisible, &area)) continue;
    HDC window = GetWindowDC(layer.m_hWnd);
    if (window == nullptr) continue;
    HRGN rgn = CreateRectRgn(part.left, part.top, part.right, part.bottom);
    SelectClipRgn(m_hFrameDc, rgn);
    DeleteObject(rgn);
    BitBlt(m_hFrameDc, layer.m_rcScreen.left, layer.m_rcScreen.top,
           layer.m_rcScreen.right - layer.m_rcScreen.left, layer.m_rcScreen.bottom - layer.m_rcScreen.top,
           window, 0, 0, SRCCOPY);
    ReleaseDC(layer.m_hWnd, window);
  }
  SelectClipRgn(m_hFrameDc, nullptr);
}

void CDisplay::Present() {
  std::lock_guard<std::mutex> lock(m_Lock);
  OpenDefaultLocked();
  if (!FrameLocked() || m_Damage.empty()) return;
  t_composing = true;
  for (const RECT& area : m_Damage) ComposeLocked(area);
  t_composing = false;
  m_pDriver->m_pfnPresented(m_Frame, m_Damage.data(), m_Damage.size());
  m_Damage.clear();
}

bool CDisplay::Flush(DWORD ms) {
  Present();
  const DisplayDriver* driver = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    OpenDefaultLocked();
    driver = m_pDriver;
  }
  return driver->m_pfnFlush(ms);
}

BOOL CDisplay::Save(const std::string& path) {
  Present();
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_hFrame != nullptr ? wce::SaveBitmapFile(m_hFrame, path) : FALSE;
}

BOOL CDisplay::Pixels(BITMAP* out) {
  Present();
  std::lock_guard<std::mutex> lock(m_Lock);
  if (out == nullptr || m_hFrame == nullptr) return FALSE;
  *out = m_Frame;
  return TRUE;
}

void CDisplay::Reset() {
  const DisplayDriver* previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    previous = m_pDriver;
    m_pDriver = HeadlessDisplayDriver();
    if (m_hFrameDc != nullptr) DeleteDC(m_hFrameDc);
    if (m_hFrame != nullptr) DeleteObject(m_hFrame);
    m_hFrame = nullptr;
    m_hFrameDc = nullptr;
    m_Frame = BITMAP{};
    m_Damage.clear();
  }
  if (previous != nullptr && previous != m_pDriver) previous->m_pfnClose();
}
