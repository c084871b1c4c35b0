#include "platform/atomic_file.h"

#include "platform/atomic_file_writer.h"

namespace kvz
{

bool WriteFileAtomically(const std::filesystem::path &target, std::string_view bytes, std::error_code *error,
                         const AccessPolicy *access)
{
    AtomicFileWriter file(target);
    if (access)
        file.SetAccessPolicy(*access);
    return file.Open(error) && file.Write(bytes, error) && file.Commit(error);
}

} // namespace kvz
