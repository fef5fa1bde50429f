// The script runs on a fiber of the game's main thread, which no worker
// shares. A thread id rather than a thread_local flag: the library then has
// no thread-local storage to leave behind on threads when it is unloaded.
#include "host/script_thread.h"

#include <atomic>
#include <thread>

namespace {
std::atomic<std::thread::id> scriptThread{};
}

void MarkScriptThread() { scriptThread.store(std::this_thread::get_id(), std::memory_order_release); }
bool OnScriptThread() { return scriptThread.load(std::memory_order_acquire) == std::this_thread::get_id(); }
