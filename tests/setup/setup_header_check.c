/* The public header compiles as plain C, and the export's type is the one a host declares. */
#include "setup/setup.h"

typedef int (*HostInstallDriver)(int, int, int, const char *, const char *, const char *, const char *,
                                 const char *);

int kvz_setup_header_is_c(void)
{
    HostInstallDriver fn = 0;
    _Static_assert(sizeof(&InstallDriver) == sizeof(fn), "export is a plain function");
    return fn == 0;
}
