#include "tunex_application.h"
#include "user_message.h"

#include <QEvent>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

Tunex_application* application = nullptr;

// Throws from its event handler what the test asks for.
class Throwing_object : public QObject {
public:
    enum class Throw { nothing, runtime_error, integer };
    Throw what = Throw::nothing;

    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            if (what == Throw::runtime_error) {
                throw std::runtime_error("Błąd: coś poszło nie tak");
            }
            if (what == Throw::integer) {
                throw 42;
            }
            return true;
        }
        return QObject::event(event);
    }
};

class Application_test : public ::testing::Test {
protected:
    void SetUp() override {
        previous =
            set_user_message_handler([this](const std::string& text) { messages.push_back(text); });
    }
    void TearDown() override { set_user_message_handler(previous); }

    std::vector<std::string> messages;
    User_message_handler previous;
};

TEST_F(Application_test, an_escaping_exception_is_shown_with_its_message) {
    Throwing_object object;
    object.what = Throwing_object::Throw::runtime_error;
    QEvent event(QEvent::User);
    EXPECT_FALSE(application->notify(&object, &event));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Błąd: coś poszło nie tak");
}

TEST_F(Application_test, an_exception_without_a_message_is_shown_empty) {
    Throwing_object object;
    object.what = Throwing_object::Throw::integer;
    QEvent event(QEvent::User);
    EXPECT_FALSE(application->notify(&object, &event));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "");
}

TEST_F(Application_test, events_are_delivered_unchanged_otherwise) {
    Throwing_object object;
    QEvent event(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(&object, &event));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Application_test, posted_events_keep_flowing_after_an_exception) {
    Throwing_object object;
    object.what = Throwing_object::Throw::runtime_error;
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 2u);
}

} // namespace

int main(int argc, char** argv) {
    Tunex_application tunex(argc, argv);
    application = &tunex;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
