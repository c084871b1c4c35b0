#pragma once
// A file its owner marked read-only (no write permission for anyone) is never replaced by a save or an
// export, even when the system would let the user write it (the superuser): the new file is renamed
// over the old one, which file permissions alone would not stop.
#include <string>

bool IsMarkedReadOnly(const std::string &path);
