// Messages to CUPS: one line on stderr each, with the prefix that tells the
// scheduler what it is ("INFO", "ERROR", "PAGE", "ATTR", "DEBUG").
#pragma once

#include <cstdarg>
#include <cstdio>

namespace inkband::filter {

__attribute__((format(printf, 2, 3))) inline void logLine(const char* prefix, const char* format,
                                                          ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "%s: %s\n", prefix, text);
}

}  // namespace inkband::filter
