#pragma once
#include <sys/resource.h>
#include <csignal>

// Files may grow to `bytes` only while this lives: a write beyond fails as on a full disk.
struct FileSizeLimit
{
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
};
