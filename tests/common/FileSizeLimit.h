#pragma once

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

// Runs `action` while this process may make no file longer than `bytes`: a disk that fills
// up, for the code under test (Unix only). Past the limit the kernel raises SIGXFSZ, which
// would end the test; ignored, the write fails with EFBIG instead.
template <class F> void withFileSizeLimit(qint64 bytes, F action) {
    struct sigaction ignore = {};
    struct sigaction old = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &small);
    action();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old, nullptr);
}
