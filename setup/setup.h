/* The installer library's one export, called by the host's setup program to install the driver on
 * a node. Plain C so that any host can call it; the library exports nothing else. */
#ifndef KVZ_SETUP_H
#define KVZ_SETUP_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define KVZ_SETUP_EXPORT __attribute__((visibility("default")))
#else
#define KVZ_SETUP_EXPORT
#endif

/* Gives 1 when the installation ran, 0 when it stopped on an error or `run` was 0.
 * `scada_node` non-zero: a SCADA node; 0: a view node. `folder_name` may be null (no shortcuts). */
KVZ_SETUP_EXPORT int InstallDriver(int run, int unused, int scada_node, const char *media_path,
                                   const char *install_dir, const char *config_dir, const char *config_name,
                                   const char *folder_name);

#ifdef __cplusplus
}
#endif

#endif
