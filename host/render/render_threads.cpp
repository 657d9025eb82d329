#include "render/render_threads.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "universe/host_error.h"

namespace host {

int runThreads(int count, const std::function<void(int index)>& work,
               const std::function<void()>& tick, std::chrono::milliseconds interval) {
    std::mutex mutex;
    std::condition_variable allDone;
    int running = count;
    std::exception_ptr failure;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index) {
        try {
            threads.emplace_back([&, index] {
                std::exception_ptr caught;
                try {
                    work(index);
                } catch (...) {
                    caught = std::current_exception();
                }
                std::lock_guard<std::mutex> lock(mutex);
                if (caught && !failure) failure = caught;
                if (--running == 0) allDone.notify_all();
            });
        } catch (const std::system_error& refused) {
            // The threads already running do the work; those never started are not waited for.
            std::lock_guard<std::mutex> lock(mutex);
            running -= count - index;
            if (index == 0)
                throw HostError(std::string("cannot start a render thread: ") + refused.what());
            break;
        }
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            if (allDone.wait_for(lock, interval, [&] { return running == 0; })) break;
            lock.unlock();
            if (tick) tick();
            lock.lock();
        }
    }
    for (std::thread& thread : threads) thread.join();
    if (tick) tick();
    if (failure) std::rethrow_exception(failure);
    return static_cast<int>(threads.size());
}

}  // namespace host
