// The process's window tree, window classes, per-thread message queues and input state (active
// window, focus, capture). Lock order: the broadcast lock, then the table lock, then a queue's lock;
// window procedures, the broadcast tap and the display are never called with the table locked.
#pragma once

#include "platform/user/CMessageQueue.h"
#include "platform/user/CWindow.h"
#include "platform/user/user.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A shown window's place on the screen, for composing the screen: its rectangle and the part of it
// that its ancestors leave visible, both in screen coordinates.
struct WindowLayer {
  HWND m_hWnd;
  RECT m_rcScreen;
  RECT m_rcVisible;
};

// Messages that a change of the input state owes to windows, sent once the table lock is let go.
struct InputChange {
  HWND m_hLost = nullptr;
  HWND m_hGained = nullptr;
};

class CWindowManager {
 public:
  static CWindowManager& GetInstance();

  // The calling thread's queue, made on first use and closed when the thread ends.
  std::shared_ptr<CMessageQueue> CurrentQueue();
  std::shared_ptr<CMessageQueue> QueueOfThread(DWORD threadId);

  ATOM AddClass(const WNDCLASSW& wc, DWORD* error);
  bool FindClass(LPCWSTR name, WNDCLASSW* wc, std::u16string* spelling);

  // Links a new window on top of its siblings (under the topmost ones unless it is topmost itself).
  // Given a parent, a WS_CHILD window becomes its child; any other stays top-level, owned by the
  // parent's top-level window.
  HWND Add(const std::u16string& className, const std::shared_ptr<CMessageQueue>& owner, WNDPROC proc,
           const std::u16string& title, DWORD style, DWORD exStyle, const RECT& rect, HWND parent);
  std::shared_ptr<CWindow> Find(HWND hwnd);
  // Runs `change` on the window under the table lock; false when there is no such window.
  bool Change(HWND hwnd, const std::function<void(CWindow&)>& change);
  // The window and its descendants, children before their parents.
  std::vector<HWND> Subtree(HWND hwnd);
  // The top-level windows the window owns directly.
  std::vector<HWND> Owned(HWND hwnd);
  // The parent of a child, the owner of a top-level window.
  HWND ParentOrOwner(HWND hwnd);
  // The top-level window the window lies in (itself when top-level).
  HWND Root(HWND hwnd);
  void Remove(HWND hwnd);

  // Top-level windows, oldest first.
  std::vector<HWND> TopLevel();
  // Top-level windows in their z-order, the top one first.
  std::vector<HWND> TopLevelZOrder();
  HWND FindTopLevel(LPCWSTR className, LPCWSTR title);
  HWND Relative(HWND hwnd, UINT cmd);
  // GetWindow's step among siblings in their order, the top one first: GW_HWNDFIRST and
  // GW_HWNDLAST give the ends, GW_HWNDNEXT and GW_HWNDPREV the neighbour of `at` (nullptr at the
  // ends or when `at` is order.end()); nullptr for any other command.
  static HWND StepAmong(const std::vector<HWND>& order, std::vector<HWND>::const_iterator at, UINT cmd);
  // Moves the window among its siblings as SetWindowPos's insertAfter says.
  bool Reorder(HWND hwnd, HWND insertAfter);

  // Screen coordinates of the client origin; false when the window is gone.
  bool ClientOrigin(HWND hwnd, POINT* origin);
  bool ScreenRect(HWND hwnd, RECT* rect);
  bool IsShownAndEnabled(HWND hwnd, bool needEnabled);
  HWND FromPoint(POINT pt);
  // Shown windows bottom first, as the screen is composed.
  std::vector<WindowLayer> Layers();

  // Input state. Each returns what was there before and, in change, whom to tell.
  HWND SetActive(HWND hwnd, InputChange* change);
  HWND SetFocus(HWND hwnd, InputChange* change);
  HWND SetCapture(HWND hwnd, InputChange* change);
  HWND Active();
  HWND Focus();
  HWND Capture();

  // The update region (client coordinates); the owner's queue learns whether there is one.
  bool Invalidate(HWND hwnd, const RECT* rect, bool erase);
  bool Validate(HWND hwnd, const RECT* rect);
  bool UpdateRect(HWND hwnd, RECT* rect, bool* erase);
  // Takes the whole update region, as BeginPaint does.
  bool TakeUpdate(HWND hwnd, RECT* rect, bool* erase);

  bool PostTo(HWND hwnd, const MSG& msg);
  void Broadcast(const MSG& msg);
  // Runs the broadcast tap (if one is set) for a broadcast that is about to go out.
  void Tap(UINT msg, WPARAM wParam, LPARAM lParam);
  void SetTap(std::function<void(UINT, WPARAM, LPARAM)> tap);

  void OnThreadExit(const std::shared_ptr<CMessageQueue>& queue);
  void Reset();

 private:
  CWindowManager();

  struct ClassRecord {
    std::u16string m_strName;
    WNDCLASSW m_WndClass;
    ATOM m_nAtom;
  };

  // All with m_Lock held.
  CWindow* Get(HWND hwnd);
  HWND RootLocked(HWND hwnd);
  std::vector<HWND>& SiblingsOf(const CWindow& w);
  void Unlink(CWindow& w);
  void Link(CWindow& w, HWND insertAfter);
  // Whether `owner` stands somewhere up w's chain of owners.
  bool OwnsLocked(HWND owner, const CWindow& w);
  // Keeps owned top-level windows above their owners after w moved: w goes up to just above its
  // owner if it fell below it, and the windows w owns, directly or not, follow it up in their order.
  void LiftOwnedLocked(CWindow& w);
  bool OriginLocked(const CWindow& w, POINT* origin);
  bool ShownLocked(const CWindow& w);
  HWND FromPointLocked(const std::vector<HWND>& siblings, POINT pt, POINT origin);
  void LayersLocked(const std::vector<HWND>& siblings, POINT origin, const RECT& clip,
                    std::vector<WindowLayer>* out);
  void UpdateChangedLocked(CWindow& w);
  // Puts hwnd (which must exist, and be enabled if asked) in one of the input state's slots.
  HWND ExchangeLocked(HWND* slot, HWND hwnd, bool needEnabled, InputChange* change);
  // Takes the window out of the tree and the input state; children left go up to the screen.
  void EraseLocked(HWND hwnd);

  // Keeps the tap's order the windows' order; held by posts too, so that none overtakes a
  // broadcast the tap has already reported.
  std::recursive_mutex m_BroadcastMutex;
  std::function<void(UINT, WPARAM, LPARAM)> m_fnTap;
  std::mutex m_Lock;
  std::map<uintptr_t, std::shared_ptr<CWindow>> m_Windows;  // handles only grow: creation order
  std::vector<HWND> m_TopLevel;                             // z-order, top first
  uintptr_t m_nNextHandle;  // from the desktop driver: programs on one bus never share a handle
  std::vector<ClassRecord> m_Classes;
  ATOM m_nNextAtom = 0xC000;
  std::map<DWORD, std::shared_ptr<CMessageQueue>> m_Queues;
  HWND m_hActive = nullptr;
  HWND m_hFocus = nullptr;
  HWND m_hCapture = nullptr;
};
