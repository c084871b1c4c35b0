#pragma once
// How the model tells the user about a rejected setting: a string-table message in an exclamation box
// with an OK button, or, while a CSV import runs, a line for the import's error file instead.
#include "platform/ui_services.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Shows message `id` with %1 and %2 filled from `args`. Returns `id`, so a Set operation can
// `return ShowModelMessage(...)`.
int ShowModelMessage(int id, std::initializer_list<std::string_view> args = {});

// Asks message `id` with Yes and No buttons; true for Yes. A question is never redirected: only the
// user can answer it.
bool AskModelQuestion(int id, kvz::MsgIcon icon = kvz::MsgIcon::None);
// The same with %1 and %2 filled from `args`.
bool AskModelQuestion(int id, std::initializer_list<std::string_view> args, kvz::MsgIcon icon);

// Where messages go while a CSV import runs. The import installs its error-file writer before the
// first line and removes it (an empty function) when it ends; no message box is shown meanwhile.
using ModelMessageRedirect = std::function<void(const std::string &text)>;
void SetModelMessageRedirect(ModelMessageRedirect redirect);
bool ModelMessagesRedirected();

// Installs a redirect for its lifetime and restores the previous one.
class ScopedModelMessageRedirect
{
public:
    explicit ScopedModelMessageRedirect(ModelMessageRedirect redirect);
    ~ScopedModelMessageRedirect();
    ScopedModelMessageRedirect(const ScopedModelMessageRedirect &) = delete;
    ScopedModelMessageRedirect &operator=(const ScopedModelMessageRedirect &) = delete;

private:
    ModelMessageRedirect previous_;
};
