// The kernel calls for files, file mappings and global memory, over POSIX.
//
// Handles are checked against the live objects, so closing a stale handle fails
// instead of closing someone else's descriptor. A view is a shared mapping: what is
// written through it reaches the file.
#pragma once

#include "platform/wintypes.h"

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD FILE_MAP_WRITE = 0x2;
inline constexpr DWORD FILE_MAP_READ = 0x4;
inline constexpr DWORD FILE_MAP_ALL_ACCESS = 0xF001F;
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

HANDLE CreateFile(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                  DWORD flags, HANDLE templateFile);
HANDLE CreateFileMapping(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                         LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     std::size_t bytes);
BOOL UnmapViewOfFile(LPCVOID view);
BOOL CloseHandle(HANDLE handle);

// Global memory: zero-filled whatever the flags, since nothing should see stale bytes.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);
std::size_t GlobalSize(HGLOBAL mem);

// The file's size: the low 32 bits, the high ones in *high when it is given.
DWORD GetFileSize(HANDLE file, DWORD* high);
