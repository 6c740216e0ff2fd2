#include "user_message.h"

#include <cstdio>
#include <utility>

namespace {

User_message_handler& current_handler() {
    static User_message_handler handler;
    return handler;
}

} // namespace

void show_user_message(const std::string& text) {
    if (current_handler()) {
        current_handler()(text);
        return;
    }
    // Nobody installed a handler (a tool built without windows): the text must not vanish.
    std::fprintf(stderr, "%s\n", text.c_str());
}

User_message_handler set_user_message_handler(User_message_handler handler) {
    return std::exchange(current_handler(), std::move(handler));
}
