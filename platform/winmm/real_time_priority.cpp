#include "platform/winmm/real_time_priority.h"

#include <pthread.h>
#include <sched.h>

namespace platform::winmm {

int RequestRealTimeScheduling(int levels_above_lowest) {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + levels_above_lowest;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

}  // namespace platform::winmm
