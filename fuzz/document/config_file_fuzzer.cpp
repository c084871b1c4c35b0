// ReadConfigFile over arbitrary bytes, then the writer over whatever tree the reader built.
#include "document/config_image.h"
#include "document/did_doc.h"
#include "fuzz_support.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SilentUi ui;
    kvz::SetUi(&ui);
    std::string path = InputFile(data, size, ".KVZ");
    CDidDoc doc;
    doc.ReadConfigFile(path);
    BuildConfigImage(doc.m_ChannelList, 0);
    std::remove(path.c_str());
    return 0;
}
