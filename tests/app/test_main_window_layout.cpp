#include "circle_shape.h"
#include "main_menu.h"
#include "main_window_fixture.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cstdlib>

namespace {

enum class Kind { check, radio, button, spin, list, label, edit, lamp };

struct Control_row {
    const char* name;
    Kind kind;
    const char* caption;
    bool initially_on;
    const char* hint;
};

std::ostream& operator<<(std::ostream& out, const Control_row& row) {
    return out << row.name;
}

const Control_row control_rows[] = {
    {"Button_set_alarm", Kind::button, "KTR27 W", false, "Czujka do systemu alarmowego"},
    {"Button_set_conv", Kind::button, "KTR27 K", false, "Czujka konwencjonalna"},
    {"Button_set_PNX30", Kind::button, "KTR27 A", false, "Czujka do systemu PNX30"},
    {"CheckBox_optic", Kind::check, "Optyczna (wykrywanie dymu)", false, nullptr},
    {"CheckBox_autocompensation", Kind::check, "Stosuj autokompensacje zapylenia", false, nullptr},
    {"CheckBox_thermic", Kind::check, "Termiczna (wykrywanie wzrostu temperatury)", false, nullptr},
    {"CheckBox_ROP", Kind::check, "Używaj wejścia ROP", false, nullptr},
    {"CheckBox_const_add_10m", Kind::check, "Stały dodatkowy prąd czujki +10mA", false, nullptr},
    {"CheckBox_const_add_20m", Kind::check, "Stały dodatkowy prąd czujki +20mA", false, nullptr},
    {"RadioButton_WZ_NC", Kind::radio, "NC (W zasilane podczas dozoru)", false, nullptr},
    {"RadioButton_WZ_NO", Kind::radio, "NO (W zasilane podczas alarmu)", true, nullptr},
    {"CSpinEdit_rop_ans", Kind::spin, nullptr, false, nullptr},
    {"CSpinEdit_rop_alm", Kind::spin, nullptr, false, nullptr},
    {"CheckBox_iso_active", Kind::check, "Opcja izolatora ISO_VLK", false, nullptr},
    {"ComboBox_smoke_profile", Kind::list, "Profil 0 (standardowy)", false, nullptr},
    {"CheckBox_save_events", Kind::check, "Zapis zdarzeń", false, nullptr},
    {"CheckBox_overwrite", Kind::check, "Nadpisywanie zdarzeń", false, nullptr},
    {"CheckBox_show_low_voltage", Kind::check, "Diagnostyka zasilania", false, nullptr},
    {"CheckBox_keep_scan", Kind::check, "Podtrzymanie SCAN", false, nullptr},
    {"RadioButton_lock", Kind::radio, "Zatrzaskowy (praca dwustanowa z zatrzaskiem alarmu)", true,
     nullptr},
    {"RadioButton_reset", Kind::radio,
     "Kasowalny (po ustąpieniu przyczyny alarmu następuje samoczynny powrót do stanu "
     "dozorowania)",
     false, nullptr},
    {"CheckBox_con", Kind::check,
     "Koniunkcja (alarm zatrzaskowy gdy wystąpi jednocześnie wykrycie dymu i ciepła - opcja "
     "niezalecana)",
     false, nullptr},
    {"CheckBox_ar_mode", Kind::check, "Tryb AR (impulsowa sygnalizacja 1s/6s)", false, nullptr},
    {"CSpinEdit_hc", Kind::spin, nullptr, false, nullptr},
    {"CheckBox_relay", Kind::check, "Praca przekaźnika", false, nullptr},
    {"RadioButton_NC", Kind::radio, "NC (stałe 10mA)", false, nullptr},
    {"RadioButton_NO", Kind::radio, "NO (10mA podczas alarmu)", true, nullptr},
    {"CheckBox_alarm_add_10m", Kind::check, "+10mA", false, nullptr},
    {"CheckBox_alarm_add_20m", Kind::check, "+20mA", false, nullptr},
    {"ComboBox_address_1", Kind::list, "brak", false, nullptr},
    {"CheckBox_address_increment", Kind::check, "Zwiększ przy podłączeniu", false, nullptr},
    {"ComboBox_address_2", Kind::list, "brak", false, nullptr},
    {"ComboBox_address_WK", Kind::list, "brak", false, nullptr},
    {"CheckBox_address_WK_increment", Kind::check, "Zwiększ przy podłączeniu", false, nullptr},
    {"CheckBox_blink", Kind::check, "Stan dozorowania", false, nullptr},
    {"CheckBox_dust", Kind::check, "Stan zabrudzenia", false, nullptr},
    {"CheckBox_malfunction", Kind::check, "Stan awarii i zabrudzenia krytycznego", false, nullptr},
    {"CheckBox_diff_alarm", Kind::check,
     "Rozróżniaj źródło alarmu (dym - światło ciągłe, ciepło - miganie naprzemienne)", false,
     nullptr},
    {"CheckBox_const_current", Kind::check,
     "Stały prąd LED podczas alarmowania (zarówno dla światła ciągłego jak i migania)", false,
     nullptr},
    {"Shape_dongle", Kind::lamp, nullptr, false, nullptr},
    {"Label_dev_state", Kind::label, "DONGLE USB", false, nullptr},
    {"Shape_ktr", Kind::lamp, nullptr, false, nullptr},
    {"Label_ktr_info", Kind::label, "KTR27 INFO", false, nullptr},
    {"CSpinEdit_cmp", Kind::spin, nullptr, false, nullptr},
    {"Edit_code", Kind::edit, "0x0000", false, nullptr},
    {"Edit_code2", Kind::edit, "0x0000", false, nullptr},
    {"Button_read_ktr27", Kind::button, "Odczytaj", false, nullptr},
    {"Button_send_to_ktr27", Kind::button, "Wyslij", false, nullptr},
    {"CheckBox_send_on_connect", Kind::check, "Wyślij przy podłączeniu", false, nullptr},
    {"Button1", Kind::button, "PNX30 (KMX12)...", false, nullptr},
};

class Control_table : public Main_window_test, public ::testing::WithParamInterface<Control_row> {};

TEST_P(Control_table, control_exists_with_its_caption_and_initial_state) {
    const Control_row& row = GetParam();
    QWidget* control = form->findChild<QWidget*>(row.name);
    ASSERT_NE(control, nullptr);
    const QString caption = QString::fromUtf8(row.caption != nullptr ? row.caption : "");
    switch (row.kind) {
    case Kind::check: {
        auto* box = qobject_cast<QCheckBox*>(control);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), caption);
        EXPECT_EQ(box->isChecked(), row.initially_on);
        break;
    }
    case Kind::radio: {
        auto* button = qobject_cast<QRadioButton*>(control);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->isChecked(), row.initially_on);
        break;
    }
    case Kind::button: {
        auto* button = qobject_cast<QPushButton*>(control);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(row.hint != nullptr ? row.hint : ""));
        break;
    }
    case Kind::list: {
        auto* list = qobject_cast<Edit_combo_box*>(control);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->isEditable());
        EXPECT_EQ(list->currentText(), caption);
        break;
    }
    case Kind::label: {
        auto* label = qobject_cast<QLabel*>(control);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), caption);
        break;
    }
    case Kind::edit: {
        auto* edit = qobject_cast<QLineEdit*>(control);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), caption);
        break;
    }
    case Kind::spin:
        EXPECT_NE(qobject_cast<QSpinBox*>(control), nullptr);
        break;
    case Kind::lamp: {
        auto* lamp = qobject_cast<Circle_shape*>(control);
        ASSERT_NE(lamp, nullptr);
        EXPECT_EQ(lamp->fill(), QColor(Qt::gray));
        EXPECT_EQ(lamp->outline(), QColor(Qt::gray));
        EXPECT_TRUE(lamp->isVisible());
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Main_window, Control_table, ::testing::ValuesIn(control_rows),
                         [](const ::testing::TestParamInfo<Control_row>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Main_window_test, spin_edits_have_their_ranges_and_start_values) {
    struct Spin_row {
        const char* name;
        int minimum;
        int maximum;
        int value;
    };
    for (const Spin_row& row :
         {Spin_row{"CSpinEdit_rop_ans", 1, 1000, 10}, Spin_row{"CSpinEdit_rop_alm", 1, 1000, 50},
          Spin_row{"CSpinEdit_hc", 0, 50, 0}, Spin_row{"CSpinEdit_cmp", 1, 31, 2}}) {
        auto* spin = form->findChild<QSpinBox*>(row.name);
        ASSERT_NE(spin, nullptr) << row.name;
        EXPECT_EQ(spin->minimum(), row.minimum) << row.name;
        EXPECT_EQ(spin->maximum(), row.maximum) << row.name;
        EXPECT_EQ(spin->value(), row.value) << row.name;
    }
}

TEST_F(Main_window_test, address_lists_hold_brak_and_0_to_99) {
    for (Edit_combo_box* list :
         {form->ComboBox_address_1, form->ComboBox_address_2, form->ComboBox_address_WK}) {
        ASSERT_EQ(list->count(), 101);
        EXPECT_EQ(list->itemText(0), "brak");
        for (int address = 0; address <= 99; ++address) {
            EXPECT_EQ(list->itemText(address + 1), QString::number(address));
        }
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_EQ(list->maxVisibleItems(), 20);
    }
}

TEST_F(Main_window_test, profile_list_holds_the_seven_profiles_and_selects_none) {
    const char* profiles[] = {"Profil 0 (standardowy)",
                              "Profil 1 (odporność)",
                              "Profil 2 (stolarnia)",
                              "Profil 3 (zapylenie)",
                              "Profil 4 (przsypieszone wykrywanie)",
                              "Profil 5 (dym papierosowy)",
                              "Profil 6 (mały dym papierosowy)"};
    ASSERT_EQ(form->ComboBox_smoke_profile->count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form->ComboBox_smoke_profile->itemText(i), QString::fromUtf8(profiles[i]));
    }
    EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), -1);
}

TEST_F(Main_window_test, window_title_size_and_font) {
    EXPECT_EQ(form->windowTitle(), "KTR27 Tunex v3 (QP14)");
    // The client area below the menu bar is the drawn one.
    EXPECT_EQ(form->size(), QSize(754, 671 + form->menu->Menu_bar->height()));
    EXPECT_GE(form->minimumWidth(), 530);
    EXPECT_GE(form->minimumHeight(), 500);
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_EQ(form->font().family(), "Tahoma");
    const QPoint off_centre =
        form->frameGeometry().center() - form->screen()->availableGeometry().center();
    EXPECT_LE(off_centre.manhattanLength(), 2);
    for (QPushButton* button : {form->Button_read_ktr27, form->Button_send_to_ktr27}) {
        EXPECT_TRUE(button->font().bold());
    }
}

QLabel* label_with_text(QWidget* window, const QString& text) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text() == text) {
            return label;
        }
    }
    return nullptr;
}

QRect in_window(const QWidget* widget, const QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

TEST_F(Main_window_test, sections_are_stacked_with_bold_headings) {
    const char* headings[] = {"1. Ustaw domyślne opcje na oknie dla czujki:", "2. Tryb pracy",
                              "3. Tryb alarmowania", "4. Obsługa przekaźnika / prąd alarmu",
                              "6. Opcje sygnalizacyjne"};
    int previous_top = -1;
    for (const char* text : headings) {
        QLabel* heading = label_with_text(form.get(), QString::fromUtf8(text));
        ASSERT_NE(heading, nullptr) << text;
        EXPECT_TRUE(heading->font().bold()) << text;
        const int top = in_window(heading, form.get()).top();
        EXPECT_GT(top, previous_top) << text;
        previous_top = top;
    }

    QLabel* relay_heading =
        label_with_text(form.get(), QString::fromUtf8("4. Obsługa przekaźnika / prąd alarmu"));
    QLabel* address_heading = label_with_text(form.get(), QString::fromUtf8("5. Adresy PNX30"));
    ASSERT_NE(address_heading, nullptr);
    EXPECT_TRUE(address_heading->font().bold());
    EXPECT_EQ(in_window(address_heading, form.get()).top(),
              in_window(relay_heading, form.get()).top());
    auto* relay_section = qobject_cast<QFrame*>(relay_heading->parentWidget());
    auto* address_section = qobject_cast<QFrame*>(address_heading->parentWidget());
    ASSERT_NE(relay_section, nullptr);
    ASSERT_NE(address_section, nullptr);
    EXPECT_EQ(relay_section->width(), 304);
    EXPECT_EQ(relay_section->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(address_section->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(in_window(address_section, form.get()).left(),
              in_window(relay_section, form.get()).right() + 1);
    EXPECT_EQ(in_window(address_section, form.get()).right(), form->width() - 1);
}

TEST_F(Main_window_test, sections_keep_their_drawn_heights_or_grow_to_fit) {
    const std::pair<const char*, int> sections[] = {
        {"1. Ustaw domyślne opcje na oknie dla czujki:", 56},
        {"2. Tryb pracy", 153},
        {"3. Tryb alarmowania", 120},
        {"5. Adresy PNX30", 117},
        {"6. Opcje sygnalizacyjne", 101}};
    int used = form->menu->Menu_bar->height();
    for (const auto& [text, drawn] : sections) {
        QWidget* section = label_with_text(form.get(), QString::fromUtf8(text))->parentWidget();
        if (drawn == 117) {
            section = section->parentWidget();
        }
        EXPECT_GE(section->height(), drawn) << text;
        EXPECT_EQ(section->height(), std::max(drawn, section->sizeHint().height())) << text;
        used += section->height();
    }
    QWidget* last = form->Button_read_ktr27->parentWidget();
    EXPECT_EQ(in_window(last, form.get()).top(), used);
    EXPECT_EQ(in_window(last, form.get()).bottom(), form->height() - 1);
}

TEST_F(Main_window_test, labelled_controls_sit_right_of_their_labels) {
    const std::pair<const char*, QWidget*> pairs[] = {
        {"ANS", form->CSpinEdit_rop_ans},
        {"ALM", form->CSpinEdit_rop_alm},
        {"HC", form->CSpinEdit_hc},
        {"CMPL", form->CSpinEdit_cmp},
        {"Profil detekcji dymu", form->ComboBox_smoke_profile},
        {"Adres podstawowy", form->ComboBox_address_1},
        {"Adres ROP", form->ComboBox_address_2},
        {"Adres czujek W / K", form->ComboBox_address_WK},
        {"Identyfikator produkcyjny:", form->Edit_code}};
    for (const auto& [text, control] : pairs) {
        QLabel* label = label_with_text(form.get(), QString::fromUtf8(text));
        ASSERT_NE(label, nullptr) << text;
        const QRect label_rect = in_window(label, form.get());
        const QRect control_rect = in_window(control, form.get());
        EXPECT_LT(label_rect.right(), control_rect.left()) << text;
        EXPECT_TRUE(label_rect.top() <= control_rect.bottom() &&
                    control_rect.top() <= label_rect.bottom())
            << text;
    }
    EXPECT_LT(in_window(form->Edit_code, form.get()).right(),
              in_window(form->Edit_code2, form.get()).left());
    auto* rop_group = qobject_cast<QGroupBox*>(form->CSpinEdit_rop_ans->parentWidget());
    ASSERT_NE(rop_group, nullptr);
    EXPECT_EQ(rop_group->title(), "ROP");
    EXPECT_EQ(form->CSpinEdit_rop_alm->parentWidget(), rop_group);
    auto* wz_group = qobject_cast<QGroupBox*>(form->RadioButton_WZ_NC->parentWidget());
    ASSERT_NE(wz_group, nullptr);
    EXPECT_EQ(wz_group->title(), "Tryb WZ");
    EXPECT_LT(in_window(form->ComboBox_address_1, form.get()).right(),
              in_window(form->CheckBox_address_increment, form.get()).left());
    EXPECT_LT(in_window(form->ComboBox_address_WK, form.get()).right(),
              in_window(form->CheckBox_address_WK_increment, form.get()).left());
}

TEST_F(Main_window_test, each_radio_pair_is_alone_in_its_parent) {
    const std::pair<QRadioButton*, QRadioButton*> groups[] = {
        {form->RadioButton_lock, form->RadioButton_reset},
        {form->RadioButton_NC, form->RadioButton_NO},
        {form->RadioButton_WZ_NC, form->RadioButton_WZ_NO}};
    for (const auto& [first, second] : groups) {
        ASSERT_EQ(first->parentWidget(), second->parentWidget());
        const auto siblings =
            first->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
        EXPECT_EQ(siblings.size(), 2) << first->objectName().toStdString();
        EXPECT_TRUE(first->autoExclusive());
    }
}

bool is_control(const QWidget* widget) {
    if (qobject_cast<const QComboBox*>(widget->parentWidget()) != nullptr ||
        qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()) != nullptr) {
        return false;
    }
    return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
           qobject_cast<const QLabel*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const Circle_shape*>(widget) != nullptr;
}

TEST_F(Main_window_test, no_caption_is_cut_off_and_no_controls_overlap) {
    std::vector<QWidget*> controls;
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow()) {
            continue;
        }
        const std::string name =
            widget->objectName().toStdString() + " " + widget->metaObject()->className();
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << name << " leaves its parent";
        if (qobject_cast<QAbstractButton*>(widget) != nullptr ||
            qobject_cast<QLabel*>(widget) != nullptr) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << name;
            EXPECT_GE(widget->height(), widget->sizeHint().height()) << name;
        }
        if (qobject_cast<QGroupBox*>(widget) != nullptr ||
            qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
            qobject_cast<QComboBox*>(widget) != nullptr) {
            EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << name;
            EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << name;
        }
        if (is_control(widget)) {
            controls.push_back(widget);
        }
    }
    EXPECT_GE(form->ComboBox_smoke_profile->width(),
              form->ComboBox_smoke_profile->sizeHint().width());

    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(
                in_window(controls[i], form.get()).intersects(in_window(controls[j], form.get())))
                << controls[i]->objectName().toStdString() << " "
                << controls[i]->metaObject()->className() << " overlaps "
                << controls[j]->objectName().toStdString() << " "
                << controls[j]->metaObject()->className();
        }
    }

    // KTR_SCREENSHOT names a PNG to write the window to, for looking at the layout.
    if (const char* path = std::getenv("KTR_SCREENSHOT")) {
        EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(path)));
    }
}

} // namespace

// The identifier edits are sized from the window's font: the widest value their format can
// produce must show whole, not scrolled. In a proportional font that is not "0xffffffff".
TEST_F(Main_window_test, identifier_fields_show_their_widest_value_whole) {
    for (QLineEdit* edit : {form->Edit_code, form->Edit_code2}) {
        const QFontMetrics metrics = edit->fontMetrics();
        QString widest = QStringLiteral("0x2417dbdb");
        for (const QChar digit : QStringLiteral("0123456789abcdef")) {
            const QString text = QStringLiteral("0x") + QString(8, digit);
            if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest)) {
                widest = text;
            }
        }
        edit->setText(widest);
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        const QRect text_area =
            edit->style()
                ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                .marginsRemoved(edit->textMargins())
                .adjusted(2, 0, -2, 0); // QLineEdit's own margin beside the text
        EXPECT_GE(text_area.width(), metrics.horizontalAdvance(widest))
            << edit->objectName().toStdString() << " cuts " << widest.toStdString();
    }
}
