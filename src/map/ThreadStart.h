#ifndef TRAKMOOR_MAP_THREADSTART_H
#define TRAKMOOR_MAP_THREADSTART_H

// The pictures start their threads here.  Starting one can fail (the process is out of threads or
// memory for a stack); the callers then draw on their own thread.  Tests make every start fail to
// see that they do.

#include <system_error>
#include <thread>
#include <utility>

namespace trakmoor {

bool threadStartsFail();

// While one lives, every start fails as std::thread does when the system has no thread to give.
class FailingThreadStarts {
public:
    FailingThreadStarts();
    ~FailingThreadStarts();
    FailingThreadStarts(const FailingThreadStarts&) = delete;
    FailingThreadStarts& operator=(const FailingThreadStarts&) = delete;
};

template <class Work> std::jthread startThread(Work&& work) {
    if (threadStartsFail()) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "thread start");
    }
    return std::jthread(std::forward<Work>(work));
}

} // namespace trakmoor

#endif
