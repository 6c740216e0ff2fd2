#pragma once

#include <functional>
#include <string>

// Every modal message the user sees goes through here, so that tests can record the texts in
// order instead of blocking on a dialog. The application installs a handler that shows a
// message box and returns when it is dismissed. Texts are UTF-8.
using User_message_handler = std::function<void(const std::string& text)>;

void show_user_message(const std::string& text);

// Returns the handler that was installed before.
User_message_handler set_user_message_handler(User_message_handler handler);
