#include "user_message.h"

#include <cstdio>
#include <utility>

namespace {

User_message_handler& current_handler() {
    static User_message_handler handler;
    return handler;
}

std::uint64_t& shown_count() {
    static std::uint64_t count = 0;
    return count;
}

} // namespace

void show_user_message(const std::string& text) {
    ++shown_count();
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

std::uint64_t user_messages_shown() {
    return shown_count();
}
