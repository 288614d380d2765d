#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// A disk that fills up after a given number of bytes, for this process's file writes: a write
// past the limit fails instead of raising SIGXFSZ. Only the soft limit is lowered, and it is
// lifted again when this goes.
struct FileSizeLimit
{
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit lowered{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};
#endif
