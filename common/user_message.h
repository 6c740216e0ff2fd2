#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Every modal message the user sees goes through here, so that tests can record the texts in
// order instead of blocking on a dialog. The application installs a handler that shows a
// message box and returns when it is dismissed. Texts are UTF-8.
using User_message_handler = std::function<void(const std::string& text)>;

void show_user_message(const std::string& text);

// Returns the handler that was installed before.
User_message_handler set_user_message_handler(User_message_handler handler);

// How many messages have been shown so far. Two counts taken around a step tell whether the
// user had a message open during it, and so had the time to handle the device meanwhile.
std::uint64_t user_messages_shown();
