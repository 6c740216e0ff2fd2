#include "user_question.h"

#include <cstdio>
#include <utility>

namespace {

User_question_handler& current_handler() {
    static User_question_handler handler;
    return handler;
}

} // namespace

bool ask_user_question(const std::string& text) {
    if (current_handler()) {
        return current_handler()(text);
    }
    std::fprintf(stderr, "%s (no answer: Nie)\n", text.c_str());
    return false;
}

User_question_handler set_user_question_handler(User_question_handler handler) {
    return std::exchange(current_handler(), std::move(handler));
}
