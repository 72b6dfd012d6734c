// Basic Windows CE types, shared by every part of the platform layer.
// Wide text is UTF-16: WCHAR is char16_t everywhere (never -fshort-wchar),
// so UTF-16LE files can be used in place.
//
// Data members of the house's own classes and structs, in every part, are named as the system
// names its own: m_, a type letter, then CamelCase. b bool/BOOL, n any other integer (count,
// size, index, id, or an enumeration value kept in a plain integer), f float/double, dw DWORD,
// w WORD, by BYTE, h handles, p pointers (owning and smart ones too), psz pointer to zero-ended
// text, pfn function pointers, fn std::function, str string objects, sz character arrays,
// cs CRITICAL_SECTION, rc RECT, pt POINT, cr COLORREF. An array of numbers takes its element's
// letter (m_dwSector) or a (m_aMsgs), an array class of the UI framework arr. Objects,
// containers, enumerations and locks take no letter (m_Queue, m_Lock, m_Style). An atomic is
// named as what it holds. Fields of the system's own structures (RECT, MSG, BITMAPINFOHEADER,
// the USB descriptors, ...) keep the system's spelling.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef unsigned char UCHAR;
typedef unsigned short USHORT;
typedef short SHORT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef WCHAR TCHAR;
typedef uint64_t ULONGLONG;
typedef int64_t LONGLONG;

typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BYTE* LPBYTE;
typedef BYTE* PBYTE;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG* PLONG;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPTSTR;
typedef const WCHAR* LPCTSTR;

typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;

typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INFINITE 0xFFFFFFFFu
#define MAX_PATH 260

// Wide literals: L"..." is wchar_t (32-bit) on Linux, so the code writes u"...".
#define TEXT(s) u##s
#define _T(s) u##s
