// The library's one export. Nothing may escape into the host's setup program: anything thrown
// ends the installation as a failure.
#include "setup/setup.h"

#include "setup/install_driver.h"

extern "C" int InstallDriver(int run, int unused, int scada_node, const char *media_path,
                             const char *install_dir, const char *config_dir, const char *config_name,
                             const char *folder_name)
{
    try {
        return kvz::setup::InstallDriver(run, unused, scada_node, media_path, install_dir, config_dir,
                                         config_name, folder_name);
    } catch (...) {
        return 0;
    }
}
