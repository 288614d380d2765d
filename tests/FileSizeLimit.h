#pragma once

#include <csignal>
#include <sys/resource.h>

// A disk that fills up after a given number of bytes, for this process's file writes: a write
// past the limit fails (EFBIG) instead of raising SIGXFSZ. Only the soft limit is lowered, so the
// limit is lifted again when this goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

    bool isSet() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};
