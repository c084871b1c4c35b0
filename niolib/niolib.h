#pragma once
// NIOLIB: the configurator's link to the running driver through the driver control block and the
// driver image table. All state is process-wide (one attachment per process) and every routine maps
// what it needs on first use. Routines that give a pointer give null on failure, routines that give
// an index give -1. A pointer to a record is only given when the whole record lies inside the image.
#include <cstddef>
#include <cstdint>

// ---- Diagnostics ----
// Levels: 23 information, 39 trace, 70 error (shown, one box at a time), 80 warning.
void nio_log(uint16_t level, const char *format, ...) __attribute__((format(printf, 2, 3)));

// ---- Control block and image ----
uint8_t *MapToDriver(int launch);
int MapToDIT(const char *acronym, int mode); // mode 1: open, 0: create from "ConfigFile"
void init_dit();
void ReMapDIT();
int UnMapDIT();
void UnMapDriver();

uint8_t *nio_map_hdr();
int16_t nio_chan_count();
int16_t nio_dev_count();
int16_t nio_rec_count();
uint8_t *nio_map_chan(int16_t index);
uint8_t *nio_map_dev(int16_t index);
uint8_t *nio_map_rec(int16_t index);
uint8_t *nio_map_dit(int16_t index);
uint8_t *nio_find_data(int16_t index, int kind);
void nio_SetTimeStamp(int16_t index);
int16_t nio_chan_dev(int16_t channel, int16_t n);
int16_t nio_chan_rec(int16_t channel, int16_t n);
int16_t nio_chan_dev_count(int16_t channel);
int16_t nio_chan_rec_count(int16_t channel);
int16_t nio_find_device(const char *name, int16_t *channel);
// The text is a copy owned by the library, valid until the next call.
int nio_get_message(const char **text, uint16_t *code, int all);

// ---- Registry ----
int ReadConfigValue(const char *keyPath, const char *subkey, const char *name, char *buffer, size_t size);
int WriteConfigValue(const char *keyPath, const char *subkey, const char *name, const char *value);
int GetConfigFilePath(char *buffer, size_t size);
int SetConfigFilePath(const char *path);
int GetDriverExePath(char *buffer, size_t size);

// ---- Driver control ----
int LaunchDriver();
int nio_StartStop(int run);
int ReloadConfiguration(const char *path, const char *acronym);
int LoadConfiguration(const char *path, const char *acronym);
void nio_poll_reload();
void nio_connect();
void nio_disconnect();
void nio_keep_alive();
int nio_driver_alive();
// The "window handle" is the running configurator's process id.
uint32_t nio_get_owner_window();
void nio_set_owner_window(uint32_t window);
