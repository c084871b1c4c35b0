// ImportCsv over arbitrary text, then the writer over whatever tree the import built.
#include "document/config_image.h"
#include "document/did_doc.h"
#include "document/import_state.h"
#include "fuzz_support.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SilentUi ui;
    kvz::SetUi(&ui);
    GetImportState().errorFilePath = "/dev/null";
    std::string path = InputFile(data, size, ".CSV");
    CDidDoc doc;
    doc.ImportCsv(path);
    BuildConfigImage(doc.m_ChannelList, 0);
    std::remove(path.c_str());
    return 0;
}
