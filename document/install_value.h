#pragma once
// Values the installer wrote under the product's key of the machine hive ("PDBPATH", "LOCPATH").
#include <cstddef>

// Reads the string value `name` of `Software\Quillmark\Brennic\` in the machine hive into `buffer`
// (at most `size` bytes with the terminator). Only an installed driver has these values: nothing is
// read unless the driver's executable ("DriverExe") is registered. `buffer` is empty when nothing was
// read. Nonzero when the value was read.
int ReadInstallValue(const char *name, char *buffer, size_t size);
