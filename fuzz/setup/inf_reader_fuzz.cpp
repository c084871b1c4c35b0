// The INF reader on arbitrary bytes: parsing, substitution and queueing every section's files
// (queueing only builds paths; nothing is copied or written).
#include "setup/directory_ids.h"
#include "setup/file_queue.h"
#include "setup/inf_file.h"
#include "setup/inf_install.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kvz::setup;
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    InfFile inf = InfFile::Parse(bytes);
    (void)inf.HasForeignSignature();
    DirectoryIds dirids;
    dirids.Set(65701, "/opt/kvz");
    size_t total = 0;
    for (const InfSection &section : inf.Sections()) {
        for (const InfLine &line : section.lines) {
            total += inf.Substitute(line.key, &dirids).size();
            for (const std::string &field : line.fields)
                total += inf.Substitute(field, &dirids).size();
        }
        FileQueue queue;
        QueueInfSectionFiles(inf, section.name, dirids, "/media", kCopyNoOverwrite, queue);
        total += queue.Items().size();
    }
    return total == static_cast<size_t>(-1);
}
