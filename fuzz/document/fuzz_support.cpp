#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

std::string InputFile(const uint8_t *data, size_t size, const char *suffix)
{
    static const std::string path = [&] {
        std::string p = "/tmp/kvz-document-fuzz-" + std::to_string(::getpid()) + suffix;
        return p;
    }();
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
