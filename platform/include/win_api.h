// The slice of the Windows API the plug-in is written against.
// On Windows this is the system's own; elsewhere the declarations below are
// served by the stand-in library under platform/posix.
#pragma once

#include <cstdint>
#include <cstdio>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <process.h>
#include <share.h>
#include <windows.h>
#include <wininet.h>

#else

#define WINAPI
#define APIENTRY
#define __stdcall
#define __cdecl

typedef int BOOL;
typedef uint32_t DWORD;
typedef int16_t SHORT;
typedef void* LPVOID;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef void* HANDLE;

#define TRUE 1
#define FALSE 0

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define _SH_DENYNO 0x40

typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef uintptr_t DWORD_PTR;
typedef void* HINTERNET;

#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_FLAG_RESYNCHRONIZE 0x00000800
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// Milliseconds since the system started, wrapping every 2^32 ms. The stand-in
// answers from a virtual clock when the host drives one.
extern "C" DWORD GetTickCount();

// Bit 15 is set while the key with that virtual-key code is down.
extern "C" SHORT GetAsyncKeyState(int vKey);

// Starts startAddress(argList) on a new thread. Returns a handle to close
// with CloseHandle, or 0 when no thread could be started.
extern "C" uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(__stdcall* startAddress)(void*),
                                    void* argList, unsigned initFlag, unsigned* threadId);

extern "C" BOOL CloseHandle(HANDLE handle);

// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS: the module that holds the
// address, with one more reference on it that keeps it loaded unless
// GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT is given too.
extern "C" BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);

// Drops one reference on module; the last one unloads it.
extern "C" BOOL FreeLibrary(HMODULE module);

// Drops one reference on module and ends the calling thread, which must have
// been started with _beginthreadex. The module may be unloaded as a result,
// so nothing of it runs after the call.
extern "C" [[noreturn]] void FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);

// WinInet, synchronous use only. Served on POSIX by a stand-in over libcurl.
extern "C" HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags);
extern "C" HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength,
                                      DWORD flags, DWORD_PTR context);
extern "C" BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
extern "C" BOOL InternetCloseHandle(HINTERNET handle);

// Opens a file with shared access. Without 'b' in mode the stream is in text
// mode: every LF written is stored as CR LF, as the Windows C runtime does.
extern "C" FILE* _fsopen(const char* fileName, const char* mode, int shareFlag);

#endif

// The library entry every plug-in defines; the system calls it on load and unload.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
