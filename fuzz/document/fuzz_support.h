#pragma once
// What both document fuzz targets share: a UI that shows nothing and a scratch file that holds the
// input, since the readers under test open files by name.
#include "platform/ui_services.h"

#include <cstddef>
#include <cstdint>
#include <string>

class SilentUi : public kvz::IUiServices
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &) override { return kvz::MsgResult::No; }
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &) override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews(int) override {}
};

// Writes the input to a file of this process (replacing the previous input) and gives its path.
std::string InputFile(const uint8_t *data, size_t size, const char *suffix);
