#include "tform_progress.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Counts the paints a widget gets.
class Paint_counter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class Progress_window : public ::testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<QWidget>();
        owner->setGeometry(100, 100, 754, 671);
        owner->show();
        form = new TForm_progress(owner.get());
    }

    std::unique_ptr<QWidget> owner;
    TForm_progress* form = nullptr;
};

TEST_F(Progress_window, is_a_small_window_with_bar_and_step_text) {
    EXPECT_EQ(form->objectName(), "Form_progress");
    EXPECT_EQ(form->windowTitle(), "Komunikacja");
    EXPECT_EQ(form->size(), QSize(431, 68));
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(form->findChild<QProgressBar*>("ProgressBar"), form->ProgressBar);
    ASSERT_EQ(form->findChild<QLabel*>("Panel_info"), form->Panel_info);
    EXPECT_EQ(form->ProgressBar->minimum(), 0);
    EXPECT_EQ(form->Panel_info->text(), "info");
    EXPECT_TRUE(form->Panel_info->alignment() & Qt::AlignHCenter);

    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(Progress_window, bar_geometry_inside_its_top_panel) {
    form->open(12);
    const QRect bar(form->ProgressBar->mapTo(form, QPoint(0, 0)), form->ProgressBar->size());
    EXPECT_EQ(bar, QRect(8, 8, 431 - 16, 17));
    const QRect info(form->Panel_info->mapTo(form, QPoint(0, 0)), form->Panel_info->size());
    EXPECT_EQ(info, QRect(0, 41, 431, 27));
}

TEST_F(Progress_window, open_shows_it_modeless_at_position_0) {
    form->open(12);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->ProgressBar->maximum(), 12);
    EXPECT_EQ(form->ProgressBar->value(), 0);
    EXPECT_EQ(form->frameGeometry().center(), owner->frameGeometry().center());
}

TEST_F(Progress_window, steps_past_the_maximum_keep_the_bar_full) {
    form->open(12);
    for (int i = 1; i <= 12; ++i) {
        form->step();
        EXPECT_EQ(form->ProgressBar->value(), i);
    }
    for (int i = 0; i < 3; ++i) {
        form->step();
        EXPECT_EQ(form->ProgressBar->value(), 12);
    }
}

TEST_F(Progress_window, say_and_complete_set_the_step_text) {
    form->open(65);
    form->step();
    form->say(QString::fromUtf8("Odczyt pamięci..."));
    EXPECT_EQ(form->Panel_info->text(), QString::fromUtf8("Odczyt pamięci..."));
    EXPECT_EQ(form->ProgressBar->value(), 1);
    form->complete();
    EXPECT_EQ(form->ProgressBar->value(), 65);
    EXPECT_EQ(form->Panel_info->text(), "...");
    form->close();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Progress_window, each_change_reaches_the_screen_once_when_messages_are_processed) {
    form->open(65);
    QApplication::processEvents();
    Paint_counter bar;
    form->ProgressBar->installEventFilter(&bar);
    const std::function<void()> changes[] = {
        [this] { form->step(); },
        [this] { form->complete(); },
    };
    for (const auto& change : changes) {
        const int before = bar.paints;
        change();
        form->say(QString::fromUtf8("Zapis pamięci..."));
        EXPECT_EQ(bar.paints, before) << "painted at the change, before the messages";
        QApplication::processEvents();
        EXPECT_EQ(bar.paints, before + 1);
    }
}

TEST_F(Progress_window, reopening_starts_again_from_0_with_the_new_maximum) {
    form->open(12);
    for (int i = 0; i < 15; ++i) {
        form->step();
    }
    form->complete();
    form->close();
    form->open(65);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ProgressBar->maximum(), 65);
    EXPECT_EQ(form->ProgressBar->value(), 0);
    form->step();
    EXPECT_EQ(form->ProgressBar->value(), 1);
}

TEST_F(Progress_window, closing_it_leaves_it_alive_and_does_not_end_the_application) {
    form->open(12);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_FALSE(form->testAttribute(Qt::WA_DeleteOnClose));
}

} // namespace
