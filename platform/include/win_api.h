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

// Opens a file with shared access. Without 'b' in mode the stream is in text
// mode: every LF written is stored as CR LF, as the Windows C runtime does.
extern "C" FILE* _fsopen(const char* fileName, const char* mode, int shareFlag);

#endif

// The library entry every plug-in defines; the system calls it on load and unload.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
