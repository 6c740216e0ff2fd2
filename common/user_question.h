#pragma once

#include <functional>
#include <string>

// A yes-or-no question to the user ("Tak"/"Nie"), modal like the messages, so that tests can
// answer it. Texts are UTF-8. Without a handler nobody can say yes, and the answer is no.
using User_question_handler = std::function<bool(const std::string& text)>;

// True when the user answered "Tak".
bool ask_user_question(const std::string& text);

// Returns the handler that was installed before.
User_question_handler set_user_question_handler(User_question_handler handler);
