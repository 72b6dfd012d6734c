#include "platform/user/CSdlDisplay.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace {
// The event that wakes the display thread: damage to present or a flush to answer.
Uint32 g_wakeEvent = 0;
// How long the display thread waits for events before it looks at its stop flag again.
const int kPumpWaitMs = 200;

UINT VirtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<UINT>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<UINT>('0' + (key - SDLK_0));
  switch (key) {
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    default:
      return 0;
  }
}

// SDL stamps events with its own milliseconds; the message carries the system tick of that moment.
DWORD TickOf(Uint32 timestamp) {
  const Uint32 age = SDL_GetTicks() - timestamp;
  return GetTickCount() - age;
}
}  // namespace

CSdlDisplay& CSdlDisplay::GetInstance() {
  // Never destroyed: its thread may still run while the process winds down.
  static CSdlDisplay* instance = new CSdlDisplay();
  return *instance;
}

const DisplayDriver* CSdlDisplay::Driver() {
  static const DisplayDriver driver{"sdl", &Open, &Close, &Damaged, &Presented, &Flush};
  return &driver;
}

const DisplayDriver* SdlDisplayDriver() {
  return CSdlDisplay::Driver();
}

bool CSdlDisplay::Open(int width, int height, int bitsPerPixel) {
  CSdlDisplay& self = GetInstance();
  std::unique_lock<std::mutex> lock(self.m_Lock);
  if (self.m_Thread.joinable()) return self.m_bOpened;
  self.m_bOpened = false;
  self.m_bOpenFailed = false;
  self.m_bStop = false;
  self.m_nWidth = width;
  self.m_nHeight = height;
  self.m_nBitsPerPixel = bitsPerPixel;
  self.m_nStride = width * (bitsPerPixel / 8);
  self.m_Staging.assign(static_cast<size_t>(self.m_nStride) * static_cast<size_t>(height), 0);
  self.m_bHasDirty = false;
  self.m_Thread = std::thread([&self, width, height, bitsPerPixel] { self.Run(width, height); });
  self.m_Changed.wait(lock, [&self] { return self.m_bOpened || self.m_bOpenFailed; });
  if (self.m_bOpenFailed) {
    lock.unlock();
    self.m_Thread.join();
    return false;
  }
  return true;
}

void CSdlDisplay::Close() {
  CSdlDisplay& self = GetInstance();
  if (!self.m_Thread.joinable()) return;
  self.m_bStop = true;
  self.Wake();
  self.m_Thread.join();
  std::lock_guard<std::mutex> lock(self.m_Lock);
  self.m_bOpened = false;
  // Whoever waits for a flush now waits for nothing.
  self.m_nShown = self.m_nRequested;
  self.m_Changed.notify_all();
}

void CSdlDisplay::Wake() {
  if (m_bWakePending.exchange(true)) return;
  SDL_Event ev;
  SDL_zero(ev);
  ev.type = g_wakeEvent;
  SDL_PushEvent(&ev);
}

void CSdlDisplay::Damaged() {
  GetInstance().Wake();
}

void CSdlDisplay::Presented(const BITMAP& frame, const RECT* rects, size_t count) {
  CSdlDisplay& self = GetInstance();
  {
    std::lock_guard<std::mutex> lock(self.m_Lock);
    if (!self.m_bOpened || frame.bmWidth != self.m_nWidth || frame.bmHeight != self.m_nHeight ||
        frame.bmBitsPixel != self.m_nBitsPerPixel) {
      return;
    }
    const int bytes = self.m_nBitsPerPixel / 8;
    for (size_t i = 0; i < count; ++i) {
      RECT r;
      const RECT screen{0, 0, self.m_nWidth, self.m_nHeight};
      if (!IntersectRect(&r, &rects[i], &screen)) continue;
      for (LONG y = r.top; y < r.bottom; ++y) {
        const uint8_t* from =
            static_cast<const uint8_t*>(frame.bmBits) + static_cast<size_t>(y) * frame.bmWidthBytes;
        std::memcpy(&self.m_Staging[static_cast<size_t>(y) * self.m_nStride + r.left * bytes],
                    from + r.left * bytes, static_cast<size_t>(r.right - r.left) * bytes);
      }
      UnionRect(&self.m_rcDirty, self.m_bHasDirty ? &self.m_rcDirty : &r, &r);
      self.m_bHasDirty = true;
    }
  }
  self.Wake();
}

bool CSdlDisplay::Flush(DWORD ms) {
  CSdlDisplay& self = GetInstance();
  uint64_t target = 0;
  {
    std::lock_guard<std::mutex> lock(self.m_Lock);
    if (!self.m_bOpened) return false;
    target = ++self.m_nRequested;
  }
  self.Wake();
  std::unique_lock<std::mutex> lock(self.m_Lock);
  return self.m_Changed.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&self, target] { return self.m_nShown >= target; });
}

// On the display thread: the staged rectangles onto the window.
void CSdlDisplay::Show() {
  SDL_Window* window = m_pWindow;
  SDL_Surface* target = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
  if (target == nullptr) return;
  std::lock_guard<std::mutex> lock(m_Lock);
  if (!m_bHasDirty) return;
  const Uint32 format = m_nBitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(m_Staging.data(), m_nWidth, m_nHeight,
                                                           m_nBitsPerPixel, m_nStride, format);
  if (source != nullptr) {
    SDL_Rect r{m_rcDirty.left, m_rcDirty.top, m_rcDirty.right - m_rcDirty.left,
               m_rcDirty.bottom - m_rcDirty.top};
    SDL_Rect to = r;
    SDL_BlitSurface(source, &r, target, &to);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurfaceRects(window, &r, 1);
  }
  m_bHasDirty = false;
}

void CSdlDisplay::Run(int width, int height) {
  // A touch screen takes the first touch: SDL would drop a click that comes right after the window
  // got the focus.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // The framebuffer is copied as it is: no GL renderer (and its threads) under the window surface.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  const bool ready = SDL_Init(SDL_INIT_VIDEO) == 0;
  if (ready && g_wakeEvent == 0) g_wakeEvent = SDL_RegisterEvents(1);
  SDL_Window* window = ready ? SDL_CreateWindow("Corvane", 0, 0, width, height, SDL_WINDOW_SHOWN) : nullptr;
  if (window == nullptr) {
    wce::DebugPrint("display: SDL cannot open a %dx%d window: %s\n", width, height, SDL_GetError());
    if (ready) SDL_Quit();
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bOpenFailed = true;
    m_Changed.notify_all();
    return;
  }
  m_pWindow = window;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bOpened = true;
    m_Changed.notify_all();
  }
  while (!m_bStop) {
    SDL_Event ev;
    if (SDL_WaitEventTimeout(&ev, kPumpWaitMs) == 0) continue;
    if (ev.type == g_wakeEvent) {
      m_bWakePending = false;
      uint64_t target = 0;
      {
        std::lock_guard<std::mutex> lock(m_Lock);
        target = m_nRequested;
      }
      wce::PresentScreen();
      Show();
      std::lock_guard<std::mutex> lock(m_Lock);
      m_nShown = std::max(m_nShown, target);
      m_Changed.notify_all();
      continue;
    }
    switch (ev.type) {
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button != SDL_BUTTON_LEFT) break;
        wce::InjectMouse(ev.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, ev.button.x,
                         ev.button.y, TickOf(ev.button.timestamp));
        break;
      case SDL_MOUSEMOTION:
        wce::InjectMouse(WM_MOUSEMOVE, ev.motion.x, ev.motion.y, TickOf(ev.motion.timestamp));
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        const UINT vk = VirtualKeyOf(ev.key.keysym.sym);
        if (vk != 0)
          wce::InjectKey(ev.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, TickOf(ev.key.timestamp));
        break;
      }
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          wce::InjectClose();
          break;
        }
        if (ev.window.event != SDL_WINDOWEVENT_EXPOSED) break;
        {
          std::lock_guard<std::mutex> lock(m_Lock);
          m_rcDirty = RECT{0, 0, m_nWidth, m_nHeight};
          m_bHasDirty = true;
        }
        Show();
        break;
      default:
        break;
    }
  }
  m_pWindow = nullptr;
  SDL_DestroyWindow(window);
  SDL_Quit();
}
