#include "ThreadPriority.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// The thread that starts the others: it never yields, so what it starts is never behind.
class Starter {
 public:
  Starter() {
    std::thread([this] { Run(); }).detach();
  }

  std::thread Start(std::function<void()> body) {
    std::packaged_task<std::thread()> task(
        [body = std::move(body)]() mutable { return std::thread(std::move(body)); });
    std::future<std::thread> started = task.get_future();
    {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    }
    ready.notify_one();
    return started.get();
  }

 private:
  void Run() {
    NameThisThread("tagwick-starter");
    while (true) {
      std::packaged_task<std::thread()> task;
      {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return !tasks.empty(); });
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      task();  // a thread that cannot be started reaches the caller as its exception
    }
  }

  std::mutex mutex;
  std::condition_variable ready;
  std::deque<std::packaged_task<std::thread()>> tasks;
};

}  // namespace

void YieldToOtherThreads() {
#ifdef _WIN32
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
  // On Linux a nice value set for a thread id holds for that thread alone. 10 gives it about a
  // tenth of the share of an ordinary thread it competes with: behind the receive thread, but
  // still far more than a busy tag stream needs.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

std::thread StartAtOrdinaryPriority(std::function<void()> body) {
  // Never destroyed: its thread waits for work as long as the process lives, and destroying it
  // at exit would pull the mutex from under that thread.
  static Starter* const starter = new Starter;
  return starter->Start(std::move(body));
}

void NameThisThread(const char* name) {
#ifdef _WIN32
  (void)name;
#else
  char kept[16] = {};
  for (int i = 0; i < 15 && name[i]; ++i) kept[i] = name[i];
  pthread_setname_np(pthread_self(), kept);
#endif
}
