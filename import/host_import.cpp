#include "import/host_import.h"

#include "import/import_common.h"

#include "platform/ui_services.h"

#include <cstdio>

namespace hostdb
{

ImportReport Import(const std::string &path)
{
    if (path.find("UNITS") != std::string::npos || path.find("units") != std::string::npos)
        return ImportUnits(path);
    return ImportVariables(path);
}

std::string RecordLine(int record, const std::string &what)
{
    return "record " + std::to_string(record + 1) + ": " + what;
}

void ShowFailedToOpen(const std::string &path, const char *caption)
{
    int size = std::snprintf(nullptr, 0, kFailedToOpen, path.c_str());
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, kFailedToOpen, path.c_str());
    kvz::MessageRequest box;
    box.text = text;
    box.caption = caption;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::None;
    kvz::Ui().ShowMessage(box);
}

} // namespace hostdb
