// Private window messages between host windows and windowless controls. The same numbers
// travel as window messages to a host window and as control messages to a control's
// MessageProc; wParam and lParam carry control pointers and values.
#pragma once

#include <windows.h>

#include "ui/gfx/GdiPlus.h"

inline constexpr UINT TKM_SET_FOCUS = 0x2800;         // host->control: you have focus (lParam = old)
inline constexpr UINT TKM_KILL_FOCUS = 0x2801;        // host->control: you lost focus (lParam = new)
inline constexpr UINT TKM_MOUSE_ENTER = 0x2802;       // lParam = control the mouse came from
inline constexpr UINT TKM_MOUSE_LEAVE = 0x2803;
inline constexpr UINT TKM_CLICK = 0x2804;
inline constexpr UINT TKM_SIZED = 0x2805;             // wParam = width, lParam = height
inline constexpr UINT TKM_HIDDEN = 0x2806;
inline constexpr UINT TKM_SHOWN = 0x2807;
inline constexpr UINT TKM_DRAW_TRANSITION = 0x2808;   // answer >= 1: the control drew the frame
inline constexpr UINT TKM_PRESS = 0x280A;             // answer -1: the control takes no presses
inline constexpr UINT TKM_SET_ACCELERATOR = 0x280B;   // wParam = control, lParam = key (0 removes)
inline constexpr UINT TKM_PRESENT = 0x280D;
inline constexpr UINT TKM_DRAW_DISABLED = 0x280E;     // answer -1: host draws at half opacity
inline constexpr UINT TKM_REPAINT_RECT = 0x2810;      // lParam = const Gdiplus::RectF*, wParam = mode
inline constexpr UINT TKM_CONTROL_MOVED = 0x2811;     // wParam = control, lParam = redraw flag
inline constexpr UINT TKM_POST_TO_CONTROL = 0x2812;   // wParam = control, lParam = ControlMessageBlock*
inline constexpr UINT TKM_QUERY_FOCUS = 0x2814;       // answer 1/0, or -1 to let the host decide
inline constexpr UINT TKM_ALPHA_CHANGED = 0x2815;     // lParam = new opacity
inline constexpr UINT TKM_BUTTON_REFRESH_LOOK = 0x2816;  // a kind-2 button repaints its current look
inline constexpr UINT TKM_TRANSITION_START = 0x2817;
inline constexpr UINT TKM_TRANSITION_END = 0x2818;
// To the host window, sent from another thread: run the std::function<void()> at lParam on the
// UI thread; answers 1 when it ran (see ui/core/UiThread.h).
inline constexpr UINT TKM_RUN_ON_UI_THREAD = 0x2830;
// To the host window: do the default action of a control (wParam), or of its item (lParam > 0),
// as assistive technology asked for it.
inline constexpr UINT TKM_ACCESSIBLE_ACTION = 0x2831;
// Posted by a host to itself when a message still open has queued repaints: any loop that runs
// before that message is done (modal, menu, move or size) dispatches it, and the host shows
// what was queued.
inline constexpr UINT TKM_COMPOSE_QUEUED = 0x2832;
// To the host window, sent from another thread: deliver the ControlMessageBlock at lParam to
// the control at wParam. The block stays the sender's (it waits), so nothing is freed here.
inline constexpr UINT TKM_SEND_TO_CONTROL = 0x2833;

// Not a message: the wParam of a synthesized left press that stands for a double click.
inline constexpr WPARAM TKM_DBLCLICK_MARK = 10086;

// Repaint-queue modes (wParam of TKM_REPAINT_RECT).
inline constexpr WPARAM kRepaintAppend = 0;
inline constexpr WPARAM kRepaintNow = 1;
inline constexpr WPARAM kRepaintFirst = 2;
// Or-ed into the mode when lParam is a heap copy (new RectF) that the host deletes.
inline constexpr WPARAM kRepaintOwnedRect = 0x100;

// The block a TKM_POST_TO_CONTROL carries. The sender allocates it (with VirtualAlloc, or
// NewMessageBlock) and the host window releases it after delivery, so ownership travels with
// the posted message.
struct ControlMessageBlock {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// How many blocks the toolkit's pool holds; NewMessageBlock falls back on VirtualAlloc beyond.
inline constexpr size_t kPooledMessageBlocks = 340;

// A block holding the message: from the toolkit's pool while it has one free, else from
// VirtualAlloc; null when neither could give one.
ControlMessageBlock* NewMessageBlock(UINT message, WPARAM wParam, LPARAM lParam);
// Gives a pooled block back to the pool and frees any other with VirtualFree; null is ignored.
void ReleaseMessageBlock(void* block);
bool IsPooledMessageBlock(const void* block);

// The rectangle a posted TKM_REPAINT_RECT carries with kRepaintOwnedRect: made by the poster,
// released by the host once read, or by whoever finds the message undelivered.
Gdiplus::RectF* NewOwnedRect(const Gdiplus::RectF& rect);  // null when memory ran out
void ReleaseOwnedRect(const Gdiplus::RectF* rect);

// Posts a message whose lParam the window's host frees once read (a message block, an owned
// rectangle), but only while a host takes such posts for the window: one to a window without a
// host, or to one whose host has let go (and freed what was queued), is refused and the lParam
// stays the caller's to free. Hosts say when they start and stop taking them.
bool PostOwnedToHost(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void TakeOwnedPosts(HWND window, bool take);
