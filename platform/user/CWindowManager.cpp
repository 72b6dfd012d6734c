#include "platform/user/CWindowManager.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/CDisplay.h"
#include "platform/user/DesktopDriver.h"
#include "platform/user/user.h"

#include <algorithm>

namespace {
// Handles advance by this step and are never reused, so a stale handle stays invalid.
const uintptr_t kHandleStep = 4;

struct ThreadQueue {
  std::shared_ptr<CMessageQueue> m_pQueue;
  ~ThreadQueue() {
    if (m_pQueue) CWindowManager::GetInstance().OnThreadExit(m_pQueue);
  }
};
thread_local ThreadQueue t_queue;

uintptr_t Key(HWND hwnd) {
  return reinterpret_cast<uintptr_t>(hwnd);
}

void WindowDrawn(HWND hwnd) {
  CDisplay::GetInstance().DamageWindow(hwnd);
}
}  // namespace

CWindowManager& CWindowManager::GetInstance() {
  // Never destroyed: thread-exit hooks of late threads still reach it.
  static CWindowManager* instance = new CWindowManager();
  return *instance;
}

// Window DCs need to know which windows exist and how large they are, and the screen needs to know
// where they were drawn; GDI learns it from here, before the first window can exist, since GDI may
// not call up into USER by name.
CWindowManager::CWindowManager() : m_nNextHandle(Desktop().m_pfnFirstHandle()) {
  wce::SetGdiWindowSource(wce::GdiWindowSource{&IsWindow, &GetClientRect, &WindowDrawn});
  // A clock moved by hand makes timers due with no time passing: their loops must look again.
  wce::AddTickListener([this] {
    std::vector<std::shared_ptr<CMessageQueue>> queues;
    {
      std::lock_guard<std::mutex> lock(m_Lock);
      for (const auto& entry : m_Queues) queues.push_back(entry.second);
    }
    for (const auto& queue : queues) queue->TickMoved();
  });
}

std::shared_ptr<CMessageQueue> CWindowManager::CurrentQueue() {
  if (!t_queue.m_pQueue) {
    auto queue = std::make_shared<CMessageQueue>(GetCurrentThreadId());
    {
      std::lock_guard<std::mutex> lock(m_Lock);
      m_Queues[queue->ThreadId()] = queue;
    }
    t_queue.m_pQueue = queue;
  }
  return t_queue.m_pQueue;
}

std::shared_ptr<CMessageQueue> CWindowManager::QueueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Queues.find(threadId);
  return it == m_Queues.end() ? nullptr : it->second;
}

ATOM CWindowManager::AddClass(const WNDCLASSW& wc, DWORD* error) {
  std::lock_guard<std::mutex> lock(m_Lock);
  for (const ClassRecord& c : m_Classes) {
    if (_wcsicmp(c.m_strName.c_str(), wc.lpszClassName) == 0) {
      *error = ERROR_CLASS_ALREADY_EXISTS;
      return 0;
    }
  }
  if (m_nNextAtom == 0) {  // wrapped past 0xFFFF
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  ClassRecord record{wc.lpszClassName, wc, m_nNextAtom++};
  // The caller's strings need not outlive the call.
  record.m_WndClass.lpszClassName = nullptr;
  record.m_WndClass.lpszMenuName = nullptr;
  m_Classes.push_back(record);
  return record.m_nAtom;
}

bool CWindowManager::FindClass(LPCWSTR name, WNDCLASSW* wc, std::u16string* spelling) {
  std::lock_guard<std::mutex> lock(m_Lock);
  for (const ClassRecord& c : m_Classes) {
    if (_wcsicmp(c.m_strName.c_str(), name) == 0) {
      *wc = c.m_WndClass;
      *spelling = c.m_strName;
      return true;
    }
  }
  return false;
}

CWindow* CWindowManager::Get(HWND hwnd) {
  auto it = m_Windows.find(Key(hwnd));
  return it == m_Windows.end() ? nullptr : it->second.get();
}

std::vector<HWND>& CWindowManager::SiblingsOf(const CWindow& w) {
  CWindow* parent = w.m_hParent != nullptr ? Get(w.m_hParent) : nullptr;
  return parent != nullptr ? parent->m_Children : m_TopLevel;
}

void CWindowManager::Unlink(CWindow& w) {
  std::vector<HWND>& siblings = SiblingsOf(w);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), w.m_hWnd), siblings.end());
}

// Topmost top-level windows form the upper band of the screen's children; every move keeps a
// window inside its band, as the system does.
void CWindowManager::Link(CWindow& w, HWND insertAfter) {
  std::vector<HWND>& siblings = SiblingsOf(w);
  const bool banded = w.m_hParent == nullptr;
  auto bandBegin = siblings.begin();
  auto bandEnd = siblings.end();
  if (banded) {
    auto firstPlain = std::find_if(siblings.begin(), siblings.end(), [this](HWND h) {
      CWindow* s = Get(h);
      return s != nullptr && !s->IsTopmost();
    });
    if (w.IsTopmost()) {
      bandEnd = firstPlain;
    } else {
      bandBegin = firstPlain;
    }
  }
  auto at = bandBegin;
  if (insertAfter == HWND_BOTTOM) {
    at = bandEnd;
  } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
    auto after = std::find(bandBegin, bandEnd, insertAfter);
    at = after == bandEnd ? bandBegin : after + 1;
  }
  siblings.insert(at, w.m_hWnd);
}

HWND CWindowManager::Add(const std::u16string& className, const std::shared_ptr<CMessageQueue>& owner,
                         WNDPROC proc, const std::u16string& title, DWORD style, DWORD exStyle,
                         const RECT& rect, HWND parent) {
  std::lock_guard<std::mutex> lock(m_Lock);
  if (parent != nullptr && Get(parent) == nullptr) return nullptr;
  const HWND hwnd = reinterpret_cast<HWND>(m_nNextHandle);
  m_nNextHandle += kHandleStep;
  auto w = std::make_shared<CWindow>(hwnd, className, owner, proc);
  w->m_strTitle = title;
  w->m_dwStyle = style;
  w->m_rcRect = rect;
  if ((style & WS_CHILD) != 0 || parent == nullptr) {
    w->m_dwExStyle = parent != nullptr ? exStyle & ~static_cast<DWORD>(WS_EX_TOPMOST) : exStyle;
    w->m_hParent = parent;
  } else {
    // Owned windows live in the owner's band: above a topmost owner they are topmost too.
    const CWindow* owner = Get(RootLocked(parent));
    w->m_hOwner = owner->m_hWnd;
    w->m_dwExStyle = exStyle | (owner->m_dwExStyle & WS_EX_TOPMOST);
  }
  m_Windows[Key(hwnd)] = w;
  Link(*w, HWND_TOP);
  return hwnd;
}

HWND CWindowManager::RootLocked(HWND hwnd) {
  for (const CWindow* w = Get(hwnd); w != nullptr && w->m_hParent != nullptr; w = Get(hwnd))
    hwnd = w->m_hParent;
  return hwnd;
}

HWND CWindowManager::Root(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return Get(hwnd) != nullptr ? RootLocked(hwnd) : nullptr;
}

HWND CWindowManager::ParentOrOwner(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const CWindow* w = Get(hwnd);
  if (w == nullptr) return nullptr;
  return w->m_hParent != nullptr ? w->m_hParent : w->m_hOwner;
}

std::vector<HWND> CWindowManager::Owned(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  std::vector<HWND> owned;
  for (HWND h : m_TopLevel) {
    const CWindow* w = Get(h);
    if (w != nullptr && w->m_hOwner == hwnd) owned.push_back(h);
  }
  return owned;
}

bool CWindowManager::OwnsLocked(HWND owner, const CWindow& w) {
  // Bounded by the number of windows: an owner chain cannot loop, but a walk never trusts that.
  size_t steps = m_Windows.size();
  for (const CWindow* up = Get(w.m_hOwner); up != nullptr && steps-- > 0; up = Get(up->m_hOwner)) {
    if (up->m_hWnd == owner) return true;
  }
  return false;
}

void CWindowManager::LiftOwnedLocked(CWindow& w) {
  if (w.m_hParent != nullptr) return;
  std::vector<HWND>& siblings = m_TopLevel;
  if (w.m_hOwner != nullptr) {
    auto self = std::find(siblings.begin(), siblings.end(), w.m_hWnd);
    auto owner = std::find(siblings.begin(), siblings.end(), w.m_hOwner);
    if (owner != siblings.end() && owner < self) {
      siblings.erase(self);
      siblings.insert(std::find(siblings.begin(), siblings.end(), w.m_hOwner), w.m_hWnd);
    }
  }
  std::vector<HWND> owned;
  for (HWND h : siblings) {
    const CWindow* o = Get(h);
    if (o != nullptr && OwnsLocked(w.m_hWnd, *o)) owned.push_back(h);
  }
  if (owned.empty()) return;
  siblings.erase(
      std::remove_if(siblings.begin(), siblings.end(),
                     [&](HWND h) { return std::find(owned.begin(), owned.end(), h) != owned.end(); }),
      siblings.end());
  siblings.insert(std::find(siblings.begin(), siblings.end(), w.m_hWnd), owned.begin(), owned.end());
}

std::shared_ptr<CWindow> CWindowManager::Find(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Windows.find(Key(hwnd));
  return it == m_Windows.end() ? nullptr : it->second;
}

bool CWindowManager::Change(HWND hwnd, const std::function<void(CWindow&)>& change) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  change(*w);
  return true;
}

std::vector<HWND> CWindowManager::Subtree(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  std::vector<HWND> order;
  // Depth first with an explicit stack: a deep tree must not exhaust the thread's stack.
  std::vector<std::pair<HWND, bool>> stack{{hwnd, false}};
  while (!stack.empty()) {
    auto [h, expanded] = stack.back();
    stack.pop_back();
    CWindow* w = Get(h);
    if (w == nullptr) continue;
    if (expanded) {
      order.push_back(h);
      continue;
    }
    stack.emplace_back(h, true);
    for (HWND child : w->m_Children) stack.emplace_back(child, false);
  }
  return order;
}

void CWindowManager::EraseLocked(HWND hwnd) {
  CWindow* w = Get(hwnd);
  if (w == nullptr) return;
  Unlink(*w);
  // Children that are still there (their owner is another thread) go up to the screen.
  for (HWND child : w->m_Children) {
    CWindow* c = Get(child);
    if (c == nullptr) continue;
    c->m_hParent = nullptr;
    m_TopLevel.insert(m_TopLevel.begin(), child);
  }
  // Owned windows of another thread outlive their owner, unowned.
  for (const auto& entry : m_Windows) {
    if (entry.second->m_hOwner == hwnd) entry.second->m_hOwner = nullptr;
  }
  if (m_hActive == hwnd) m_hActive = nullptr;
  if (m_hFocus == hwnd) m_hFocus = nullptr;
  if (m_hCapture == hwnd) m_hCapture = nullptr;
  m_Windows.erase(Key(hwnd));
}

void CWindowManager::Remove(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return;
  // Under the table lock, so no post can slip in for the window after its messages are dropped.
  w->m_pOwner->DropWindow(hwnd);
  EraseLocked(hwnd);
}

std::vector<HWND> CWindowManager::TopLevel() {
  std::lock_guard<std::mutex> lock(m_Lock);
  std::vector<HWND> result;
  for (const auto& entry : m_Windows) {
    if (entry.second->m_hParent == nullptr && !entry.second->IsChild())
      result.push_back(entry.second->m_hWnd);
  }
  return result;
}

std::vector<HWND> CWindowManager::TopLevelZOrder() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_TopLevel;
}

HWND CWindowManager::FindTopLevel(LPCWSTR className, LPCWSTR title) {
  std::lock_guard<std::mutex> lock(m_Lock);
  for (const auto& entry : m_Windows) {
    const CWindow& w = *entry.second;
    if (w.m_hParent != nullptr || w.IsChild()) continue;
    if (className != nullptr && _wcsicmp(w.m_strClassName.c_str(), className) != 0) continue;
    if (title != nullptr && _wcsicmp(w.m_strTitle.c_str(), title) != 0) continue;
    return w.m_hWnd;
  }
  return nullptr;
}

HWND CWindowManager::StepAmong(const std::vector<HWND>& order, std::vector<HWND>::const_iterator at,
                               UINT cmd) {
  switch (cmd) {
    case GW_HWNDFIRST:
      return order.front();
    case GW_HWNDLAST:
      return order.back();
    case GW_HWNDNEXT:
      return at == order.end() || at + 1 == order.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return at == order.begin() || at == order.end() ? nullptr : *(at - 1);
    default:
      return nullptr;
  }
}

HWND CWindowManager::Relative(HWND hwnd, UINT cmd) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return nullptr;
  if (cmd == GW_CHILD) return w->m_Children.empty() ? nullptr : w->m_Children.front();
  if (cmd == GW_OWNER) return w->m_hOwner;
  const std::vector<HWND>& siblings = SiblingsOf(*w);
  return StepAmong(siblings, std::find(siblings.begin(), siblings.end(), hwnd), cmd);
}

bool CWindowManager::Reorder(HWND hwnd, HWND insertAfter) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  if (insertAfter == hwnd) return true;
  Unlink(*w);
  if (w->m_hParent == nullptr) {
    if (insertAfter == HWND_TOPMOST) w->m_dwExStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w->m_dwExStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
  }
  Link(*w, insertAfter);
  LiftOwnedLocked(*w);
  return true;
}

bool CWindowManager::OriginLocked(const CWindow& w, POINT* origin) {
  POINT p{w.m_rcRect.left, w.m_rcRect.top};
  for (const CWindow* up = w.m_hParent != nullptr ? Get(w.m_hParent) : nullptr; up != nullptr;
       up = up->m_hParent != nullptr ? Get(up->m_hParent) : nullptr) {
    p.x += up->m_rcRect.left;
    p.y += up->m_rcRect.top;
  }
  *origin = p;
  return true;
}

bool CWindowManager::ClientOrigin(HWND hwnd, POINT* origin) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const CWindow* w = Get(hwnd);
  return w != nullptr && OriginLocked(*w, origin);
}

bool CWindowManager::ScreenRect(HWND hwnd, RECT* rect) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const CWindow* w = Get(hwnd);
  POINT origin;
  if (w == nullptr || !OriginLocked(*w, &origin)) return false;
  *rect = RECT{origin.x, origin.y, origin.x + w->Width(), origin.y + w->Height()};
  return true;
}

bool CWindowManager::ShownLocked(const CWindow& w) {
  for (const CWindow* up = &w; up != nullptr; up = up->m_hParent != nullptr ? Get(up->m_hParent) : nullptr) {
    if (!up->IsShown()) return false;
  }
  return true;
}

bool CWindowManager::IsShownAndEnabled(HWND hwnd, bool needEnabled) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const CWindow* w = Get(hwnd);
  if (w == nullptr || !ShownLocked(*w)) return false;
  return !needEnabled || (w->m_dwStyle & WS_DISABLED) == 0;
}

HWND CWindowManager::FromPointLocked(const std::vector<HWND>& siblings, POINT pt, POINT origin) {
  for (HWND h : siblings) {
    const CWindow* w = Get(h);
    if (w == nullptr || !w->IsShown()) continue;
    RECT r = w->m_rcRect;
    OffsetRect(&r, origin.x, origin.y);
    if (!PtInRect(&r, pt)) continue;
    // A disabled window takes the point from whatever lies under it, children included.
    if ((w->m_dwStyle & WS_DISABLED) != 0) return nullptr;
    const HWND child = FromPointLocked(w->m_Children, pt, POINT{r.left, r.top});
    return child != nullptr ? child : h;
  }
  return nullptr;
}

HWND CWindowManager::FromPoint(POINT pt) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return FromPointLocked(m_TopLevel, pt, POINT{0, 0});
}

void CWindowManager::LayersLocked(const std::vector<HWND>& siblings, POINT origin, const RECT& clip,
                                  std::vector<WindowLayer>* out) {
  for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
    const CWindow* w = Get(*it);
    if (w == nullptr || !w->IsShown()) continue;
    RECT screen = w->m_rcRect;
    OffsetRect(&screen, origin.x, origin.y);
    RECT visible;
    if (!IntersectRect(&visible, &screen, &clip)) continue;
    out->push_back(WindowLayer{*it, screen, visible});
    LayersLocked(w->m_Children, POINT{screen.left, screen.top}, visible, out);
  }
}

std::vector<WindowLayer> CWindowManager::Layers() {
  const wce::ScreenConfig screen = wce::GetScreen();
  std::lock_guard<std::mutex> lock(m_Lock);
  std::vector<WindowLayer> layers;
  LayersLocked(m_TopLevel, POINT{0, 0}, RECT{0, 0, screen.m_nWidth, screen.m_nHeight}, &layers);
  return layers;
}

HWND CWindowManager::ExchangeLocked(HWND* slot, HWND hwnd, bool needEnabled, InputChange* change) {
  const HWND previous = *slot;
  if (hwnd != nullptr) {
    const CWindow* w = Get(hwnd);
    if (w == nullptr || (needEnabled && (w->m_dwStyle & WS_DISABLED) != 0)) return nullptr;
  }
  if (hwnd != previous) *change = InputChange{previous, hwnd};
  *slot = hwnd;
  return previous;
}

HWND CWindowManager::SetActive(HWND hwnd, InputChange* change) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return ExchangeLocked(&m_hActive, hwnd, false, change);
}

// A disabled window takes no keys, so it cannot have the focus.
HWND CWindowManager::SetFocus(HWND hwnd, InputChange* change) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return ExchangeLocked(&m_hFocus, hwnd, true, change);
}

HWND CWindowManager::SetCapture(HWND hwnd, InputChange* change) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return ExchangeLocked(&m_hCapture, hwnd, false, change);
}

HWND CWindowManager::Active() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_hActive;
}

HWND CWindowManager::Focus() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_hFocus;
}

HWND CWindowManager::Capture() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_hCapture;
}

void CWindowManager::UpdateChangedLocked(CWindow& w) {
  w.m_pOwner->SetPaint(w.m_hWnd, w.m_bHasUpdate);
}

bool CWindowManager::Invalidate(HWND hwnd, const RECT* rect, bool erase) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  const RECT client{0, 0, w->Width(), w->Height()};
  RECT add = client;
  if (rect != nullptr && !IntersectRect(&add, rect, &client)) return true;
  if (IsRectEmpty(&add)) return true;
  UnionRect(&w->m_rcUpdate, w->m_bHasUpdate ? &w->m_rcUpdate : &add, &add);
  w->m_bHasUpdate = true;
  w->m_bErase = w->m_bErase || erase;
  UpdateChangedLocked(*w);
  return true;
}

bool CWindowManager::Validate(HWND hwnd, const RECT* rect) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  if (!w->m_bHasUpdate) return true;
  // One rectangle cannot hold what is left of a partly validated one; it shrinks only where a
  // validated rectangle covers a whole side of it.
  RECT left = w->m_rcUpdate;
  if (rect != nullptr) {
    const RECT& v = *rect;
    const bool spansX = v.left <= left.left && v.right >= left.right;
    const bool spansY = v.top <= left.top && v.bottom >= left.bottom;
    if (spansX && spansY) {
      SetRectEmpty(&left);
    } else if (spansX && v.top <= left.top && v.bottom > left.top) {
      left.top = v.bottom;
    } else if (spansX && v.bottom >= left.bottom && v.top < left.bottom) {
      left.bottom = v.top;
    } else if (spansY && v.left <= left.left && v.right > left.left) {
      left.left = v.right;
    } else if (spansY && v.right >= left.right && v.left < left.right) {
      left.right = v.left;
    }
  } else {
    SetRectEmpty(&left);
  }
  w->m_bHasUpdate = !IsRectEmpty(&left);
  w->m_rcUpdate = w->m_bHasUpdate ? left : RECT{0, 0, 0, 0};
  if (!w->m_bHasUpdate) w->m_bErase = false;
  UpdateChangedLocked(*w);
  return true;
}

bool CWindowManager::UpdateRect(HWND hwnd, RECT* rect, bool* erase) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  *rect = w->m_bHasUpdate ? w->m_rcUpdate : RECT{0, 0, 0, 0};
  *erase = w->m_bErase;
  return w->m_bHasUpdate;
}

bool CWindowManager::TakeUpdate(HWND hwnd, RECT* rect, bool* erase) {
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  if (w == nullptr) return false;
  *rect = w->m_bHasUpdate ? w->m_rcUpdate : RECT{0, 0, 0, 0};
  *erase = w->m_bErase;
  w->m_bHasUpdate = false;
  w->m_rcUpdate = RECT{0, 0, 0, 0};
  w->m_bErase = false;
  UpdateChangedLocked(*w);
  return true;
}

bool CWindowManager::PostTo(HWND hwnd, const MSG& msg) {
  // A broadcast is reported to the tap before it is queued; a post made by whoever read that
  // report waits until the broadcast is queued, so it cannot overtake it.
  std::lock_guard<std::recursive_mutex> order(m_BroadcastMutex);
  std::lock_guard<std::mutex> lock(m_Lock);
  CWindow* w = Get(hwnd);
  return w != nullptr && w->m_pOwner->Post(msg);
}

void CWindowManager::Broadcast(const MSG& msg) {
  std::lock_guard<std::recursive_mutex> order(m_BroadcastMutex);
  Tap(msg.message, msg.wParam, msg.lParam);
  std::lock_guard<std::mutex> lock(m_Lock);
  for (const auto& entry : m_Windows) {
    const CWindow& w = *entry.second;
    if (w.m_hParent != nullptr || w.IsChild()) continue;
    MSG copy = msg;
    copy.hwnd = w.m_hWnd;
    w.m_pOwner->Post(copy);
  }
}

void CWindowManager::Tap(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::recursive_mutex> order(m_BroadcastMutex);
  if (m_fnTap) m_fnTap(msg, wParam, lParam);
}

void CWindowManager::SetTap(std::function<void(UINT, WPARAM, LPARAM)> tap) {
  std::lock_guard<std::recursive_mutex> order(m_BroadcastMutex);
  m_fnTap = std::move(tap);
}

void CWindowManager::OnThreadExit(const std::shared_ptr<CMessageQueue>& queue) {
  {
    // The thread's windows die with it, without further messages, as on CE.
    std::lock_guard<std::mutex> lock(m_Lock);
    std::vector<HWND> gone;
    for (const auto& entry : m_Windows) {
      if (entry.second->m_pOwner == queue) gone.push_back(entry.second->m_hWnd);
    }
    for (HWND hwnd : gone) EraseLocked(hwnd);
    auto it = m_Queues.find(queue->ThreadId());
    if (it != m_Queues.end() && it->second == queue) m_Queues.erase(it);
  }
  queue->Close();
}

void CWindowManager::Reset() {
  SetTap(nullptr);
  std::vector<std::shared_ptr<CMessageQueue>> queues;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Windows.clear();
    m_TopLevel.clear();
    m_Classes.clear();
    m_nNextAtom = 0xC000;
    m_hActive = nullptr;
    m_hFocus = nullptr;
    m_hCapture = nullptr;
    for (const auto& entry : m_Queues) queues.push_back(entry.second);
  }
  for (const auto& queue : queues) queue->Clear();
}
