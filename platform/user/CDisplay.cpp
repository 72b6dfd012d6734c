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
  m_damage.reserve(kMaxDamage);
}

void CDisplay::OpenDefaultLocked() {
  if (m_pDriver != nullptr) return;
  const wce::ScreenConfig screen = wce::GetScreen();
  const char* wanted = std::getenv(kDisplayVariable);
  const DisplayDriver* driver = wanted != nullptr ? DriverNamed(wanted) : nullptr;
  if (wanted != nullptr && driver == nullptr)
    wce::DebugPrint("display: unknown %s '%s', headless\n", kDisplayVariable, wanted);
  if (driver != nullptr && !driver->open(screen.width, screen.height, screen.bitsPerPixel)) {
    wce::DebugPrint("display: %s cannot open, headless\n", driver->name);
    driver = nullptr;
  }
  m_pDriver = driver != nullptr ? driver : HeadlessDisplayDriver();
}

bool CDisplay::SetDriver(const std::string& name) {
  const DisplayDriver* driver = DriverNamed(name);
  if (driver == nullptr) return false;
  const DisplayDriver* previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    OpenDefaultLocked();
    if (driver == m_pDriver) return true;
    const wce::ScreenConfig screen = wce::GetScreen();
    if (!driver->open(screen.width, screen.height, screen.bitsPerPixel)) return false;
    previous = m_pDriver;
    m_pDriver = driver;
    m_damage.clear();
    AddDamageLocked(RECT{0, 0, screen.width, screen.height});
  }
  // Closed outside the lock: a driver's thread may be presenting and wait for it.
  previous->close();
  driver->damaged();
  return true;
}

std::string CDisplay::DriverName() {
  std::lock_guard<std::mutex> lock(m_lock);
  OpenDefaultLocked();
  return m_pDriver->name;
}

void CDisplay::AddDamageLocked(const RECT& rect) {
  if (IsRectEmpty(&rect)) return;
  for (RECT& d : m_damage) {
    RECT both;
    UnionRect(&both, &d, &rect);
    if (EqualRect(&both, &d)) return;  // already inside
    if (EqualRect(&both, &rect)) {
      d = rect;
      return;
    }
  }
  if (m_damage.size() < kMaxDamage) {
    m_damage.push_back(rect);
    return;
  }
  RECT all = rect;
  for (const RECT& d : m_damage) UnionRect(&all, &all, &d);
  m_damage.clear();
  m_damage.push_back(all);
}

void CDisplay::DamageScreen(const RECT& rect) {
  if (t_composing) return;
  const DisplayDriver* driver = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    OpenDefaultLocked();
    AddDamageLocked(rect);
    driver = m_pDriver;
  }
  driver->damaged();
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
      bm.bmWidth == screen.width && bm.bmHeight == screen.height && bm.bmBitsPixel == screen.bitsPerPixel) {
    return true;
  }
  if (m_hFrameDc != nullptr) DeleteDC(m_hFrameDc);
  if (m_hFrame != nullptr) DeleteObject(m_hFrame);
  m_hFrame = nullptr;
  m_hFrameDc = nullptr;
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = screen.width;
  info.header.biHeight = -screen.height;  // rows top-down, as a screen is read
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(screen.bitsPerPixel);
  info.header.biCompression = screen.bitsPerPixel == 16 ? BI_BITFIELDS : BI_RGB;
  info.masks[0] = 0xF800;
  info.masks[1] = 0x07E0;
  info.masks[2] = 0x001F;
  void* bits = nullptr;
  m_hFrame = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                              nullptr, 0);
  if (m_hFrame == nullptr) return false;
  m_hFrameDc = CreateCompatibleDC(nullptr);
  if (m_hFrameDc == nullptr || SelectObject(m_hFrameDc, m_hFrame) == nullptr) return false;
  GetObjectW(m_hFrame, sizeof(m_frame), &m_frame);
  m_damage.clear();
  AddDamageLocked(RECT{0, 0, screen.width, screen.height});
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
    if (!IntersectRect(&part, &layer.visible, &area)) continue;
    HDC window = GetWindowDC(layer.hwnd);
    if (window == nullptr) continue;
    HRGN rgn = CreateRectRgn(part.left, part.top, part.right, part.bottom);
    SelectClipRgn(m_hFrameDc, rgn);
    DeleteObject(rgn);
    BitBlt(m_hFrameDc, layer.screen.left, layer.screen.top, layer.screen.right - layer.screen.left,
           layer.screen.bottom - layer.screen.top, window, 0, 0, SRCCOPY);
    ReleaseDC(layer.hwnd, window);
  }
  SelectClipRgn(m_hFrameDc, nullptr);
}

void CDisplay::Present() {
  std::lock_guard<std::mutex> lock(m_lock);
  OpenDefaultLocked();
  if (!FrameLocked() || m_damage.empty()) return;
  t_composing = true;
  for (const RECT& area : m_damage) ComposeLocked(area);
  t_composing = false;
  m_pDriver->presented(m_frame, m_damage.data(), m_damage.size());
  m_damage.clear();
}

bool CDisplay::Flush(DWORD ms) {
  Present();
  const DisplayDriver* driver = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    OpenDefaultLocked();
    driver = m_pDriver;
  }
  return driver->flush(ms);
}

BOOL CDisplay::Save(const std::string& path) {
  Present();
  std::lock_guard<std::mutex> lock(m_lock);
  return m_hFrame != nullptr ? wce::SaveBitmapFile(m_hFrame, path) : FALSE;
}

BOOL CDisplay::Pixels(BITMAP* out) {
  Present();
  std::lock_guard<std::mutex> lock(m_lock);
  if (out == nullptr || m_hFrame == nullptr) return FALSE;
  *out = m_frame;
  return TRUE;
}

void CDisplay::Reset() {
  const DisplayDriver* previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    previous = m_pDriver;
    m_pDriver = HeadlessDisplayDriver();
    if (m_hFrameDc != nullptr) DeleteDC(m_hFrameDc);
    if (m_hFrame != nullptr) DeleteObject(m_hFrame);
    m_hFrame = nullptr;
    m_hFrameDc = nullptr;
    m_frame = BITMAP{};
    m_damage.clear();
  }
  if (previous != nullptr && previous != m_pDriver) previous->close();
}
