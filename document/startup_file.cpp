#include "document/startup_file.h"

#include "document/doc_strings.h"
#include "niolib/niolib.h"
#include "platform/paths.h"
#include "platform/ui_services.h"

#include <cstdio>

namespace
{
constexpr size_t kPathBuffer = 512;
constexpr size_t kQuestionBuffer = 512;
} // namespace

void ConfirmStartupFile(const std::string &path)
{
    char registered[kPathBuffer] = {};
    if (!GetConfigFilePath(registered, sizeof registered) || registered[0] == '\0')
        return;
    if (kvz::EqualsIgnoreCase(path, registered))
        return;
    char question[kQuestionBuffer];
    std::snprintf(question, sizeof question, doctext::kStartupQuestion, path.c_str(), registered);
    kvz::MessageRequest box;
    box.text = question;
    box.caption = doctext::kStartupCaption;
    box.buttons = kvz::MsgButtons::YesNo;
    box.icon = kvz::MsgIcon::Stop;
    if (kvz::Ui().ShowMessage(box) == kvz::MsgResult::Yes)
        SetConfigFilePath(path.c_str());
}
