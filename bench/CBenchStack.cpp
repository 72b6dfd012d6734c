#include "bench/CBenchStack.h"

#include "bench/CAllocCounter.h"
#include "bench/CBenchReport.h"

#include "app/CAppMainWndEngine.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/DibBmp.h"
#include "phonelink/AdbPhoneSpec.h"
#include "phonelink/DriverInstall.h"
#include "platform/devmgr/CDeviceManager.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/usbd/CUsbTcpBackend.h"
#include "platform/user/user.h"
#include "platform/gdi/GdiHooks.h"
#include "services/CorvaneConfig.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
const int kWidth = 800;
const int kHeight = 480;

CAppMainWndEngine g_engine;
std::atomic<bool> g_quit{false};

// The device manager's own read, with the calling thread (the link's USB reader) counted, and
// what it allocates below ReadFile booked apart.
BOOL CountedDeviceRead(HANDLE h, LPVOID buf, DWORD len, LPDWORD read) {
  CAllocCounter::CountThisThread(CBenchStack::kAllocReader);
  const int was = CAllocCounter::SwitchThisThread(CBenchStack::kAllocBelowRead);
  const BOOL ok = wce::CDeviceManager::GetInstance().Read(h, buf, len, read);
  CAllocCounter::SwitchThisThread(was);
  return ok;
}

void CountDeviceReaders() {
  wce::CDeviceManager::GetInstance();  // made first: it hooks itself in, to be hooked over here
  wce::StreamDeviceHooks hooks;
  hooks.m_pfnOpen = [](LPCWSTR name, DWORD access, DWORD share) {
    return wce::CDeviceManager::GetInstance().Open(name, access, share);
  };
  hooks.m_pfnRead = CountedDeviceRead;
  hooks.m_pfnWrite = [](HANDLE h, LPCVOID buf, DWORD len, LPDWORD written) {
    return wce::CDeviceManager::GetInstance().Write(h, buf, len, written);
  };
  hooks.m_pfnClose = [](HANDLE h) { return wce::CDeviceManager::GetInstance().Close(h); };
  wce::SetStreamDeviceHooks(hooks);
}
}  // namespace

// The engine program's window procedure, without its console.
LRESULT BenchWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool touch = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP;
  if (touch) CBenchStack::s_nTouchDispatchUs = CBenchReport::NowUs();
  if (msg == WM_CLOSE) {
    g_quit = true;
    return 0;
  }
  const bool taken = g_engine.HandleWindowMessage(msg, wParam, lParam);
  if (touch) CBenchStack::s_nTouchReturnUs = CBenchReport::NowUs();
  return taken ? 0 : DefWindowProcW(hwnd, msg, wParam, lParam);
}

CBenchStack::Shown CBenchStack::s_shown[CBenchStack::kMaxShown];
std::atomic<uint64_t> CBenchStack::s_nShown{0};
std::atomic<uint64_t> CBenchStack::s_nShownBase{0};
std::atomic<int64_t> CBenchStack::s_nTouchDispatchUs{0};
std::atomic<int64_t> CBenchStack::s_nTouchReturnUs{0};

CBenchStack::CBenchStack() = default;

CBenchStack::~CBenchStack() {
  Stop();
}

uint32_t CBenchStack::ReadPatternFrame(const uint8_t* bits, int height, int stride) {
  if (bits == nullptr) return 0;
  const int cell = kWidth / 24;
  const int y = std::max(8, kHeight / 6) / 2;  // the middle of the band
  const uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * stride;
  uint32_t frame = 0;
  for (int i = 0; i < 24; ++i) {
    const uint8_t* p = row + (i * cell + cell / 2) * 4;
    frame = (frame << 1) | ((p[0] + p[1] + p[2]) > 3 * 128 ? 1u : 0u);
  }
  return frame;
}

void CBenchStack::DrawObserver(DibBmp* surface) {
  const int64_t now = CBenchReport::NowUs();
  CAllocCounter::CountThisThread(kAllocVideo);
  const uint64_t n = s_nShown.fetch_add(1);
  const uint64_t i = n - s_nShownBase.load();
  if (i < kMaxShown) {
    s_shown[i] =
        Shown{now, surface->GetBitCount() == 32
                       ? ReadPatternFrame(surface->GetBits(), surface->GetHeight(), surface->GetStride())
                       : 0};
  }
  const int was = CAllocCounter::SwitchThisThread(kAllocPaint);
  CAppMainWndEngine::DrawPictureCallback(surface);
  CAllocCounter::SwitchThisThread(was);
}

void CBenchStack::ClearShown() {
  s_nShownBase = s_nShown.load();
}

std::vector<CBenchStack::Shown> CBenchStack::ShownPictures() const {
  const uint64_t n = std::min<uint64_t>(s_nShown.load() - s_nShownBase.load(), kMaxShown);
  return std::vector<Shown>(s_shown, s_shown + n);
}

bool CBenchStack::Start(const phonesim::SPhoneAppOptions& app, int timeoutMs, std::string* error) {
  if (!m_Root.Make("corvane-bench", error)) return false;
  const fs::path dir = m_Root.Dir();
  if (!m_Root.StartPhone(m_Phone, app, error)) return false;
  const int64_t steady = CBenchReport::NowUs();
  m_nPhoneOffsetUs = steady - m_Phone.Record().NowUs();

  wce::SetDebugSink([](const std::string&) {});
  wce::SetScreen(kWidth, kHeight, 32);
  wce::SetRootDir(dir.string());
  wce::SetModuleFileName(u"\\CECorvane.exe");
  CountDeviceReaders();
  m_Engine = std::thread(&CBenchStack::EngineThread, this, "tcp:127.0.0.1:" + std::to_string(m_Phone.Port()));

  const int64_t end = CBenchReport::NowUs() + static_cast<int64_t>(timeoutMs) * 1000;
  while (CBenchReport::NowUs() < end) {
    if (m_bEngineUp && g_CorvaneAppFlags.m_bPhoneForeground && ShownCount() >= 10) return true;
    Sleep(10);
  }
  *error = "no pictures shown in the foreground within " + std::to_string(timeoutMs) + " ms (" +
           std::to_string(ShownCount()) + " shown)";
  return false;
}

void CBenchStack::EngineThread(std::string address) {
  LoadCorvaneConfig();
  RegisterKavlinkDriver();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = BenchWndProc;
  wc.lpszClassName = u"CorvaneBenchWnd";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, u"WND_CORVANE", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                              kHeight, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) return;
  m_hWnd = hwnd;
  wce::CUsbTcpBackend::GetInstance().Start(address, AdbPhoneSpec());
  g_engine.Start(hwnd);
  SetPictureDrawCallback(DrawObserver);
  m_bEngineUp = true;
  MSG msg;
  while (!g_quit && !g_engine.IsExitRequested() && GetMessageW(&msg, nullptr, 0, 0) > 0)
    DispatchMessageW(&msg);
  g_engine.Shutdown();
  wce::CUsbTcpBackend::GetInstance().Stop();
  DestroyWindow(hwnd);
}

void CBenchStack::Stop() {
  if (m_Engine.joinable()) {
    PostMessageW(m_hWnd.load(), WM_CLOSE, 0, 0);
    m_Engine.join();
  }
  m_Phone.Stop();
  m_Root.Remove();
}
