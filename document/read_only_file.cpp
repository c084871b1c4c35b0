#include "document/read_only_file.h"

#include <sys/stat.h>

bool IsMarkedReadOnly(const std::string &path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}
