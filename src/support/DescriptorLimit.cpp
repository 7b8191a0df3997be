#include "DescriptorLimit.h"

#include "Trace.h"

#include <sys/resource.h>

namespace Zelt {

long RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return -1;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t soft = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            limit.rlim_cur = soft;
        }
    }
    DebugTrace("descriptor limit %ld\n", static_cast<long>(limit.rlim_cur));
    return static_cast<long>(limit.rlim_cur);
}

} // namespace Zelt
