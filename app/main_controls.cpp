#include "main_controls.h"

#include "circle_shape.h"
#include "edit_combo_box.h"
#include "option_bits.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

// Section heights of the layout as drawn for Tahoma 8 pt. A section grows only when the font
// that stands in for Tahoma needs more room, so no caption is ever cut off; the last section
// takes what is left of the window.
constexpr int presets_height = 56;
constexpr int operating_mode_height = 153;
constexpr int alarm_mode_height = 120;
constexpr int relay_and_addresses_height = 117;
constexpr int relay_width = 304;
constexpr int signalling_height = 101;

constexpr int spacing = 2;

// A section is announced by its heading, as it is seen.
QFrame* section(QWidget* parent, QFrame::Shadow shadow, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | shadow);
    frame->setAccessibleName(QString::fromUtf8(name));
    return frame;
}

// The label names its field for a screen reader, and takes the focus there on its mnemonic.
QLabel* label_for(QWidget* field, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), field->parentWidget());
    label->setBuddy(field);
    return label;
}

// Wide enough for `digits` hexadecimal digits after "0x" in the edit's own font, whichever
// digits they are: in a proportional font "0x2417dbdb" is wider than "0xffffffff".
void fit_hex_width(QLineEdit* edit, int digits) {
    const QFontMetrics metrics = edit->fontMetrics();
    int widest = 0;
    for (const QChar digit : QStringLiteral("0123456789abcdef")) {
        widest = std::max(widest, metrics.horizontalAdvance(digit));
    }
    const int text = metrics.horizontalAdvance(QStringLiteral("0x")) + digits * widest;
    // What QLineEdit adds around its text: the text and contents margins, two pixels a side
    // inside the frame, and the frame the style draws.
    const QMargins text_margins = edit->textMargins();
    const QMargins contents = edit->contentsMargins();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QSize inner(text + 4 + text_margins.left() + text_margins.right() + contents.left() +
                          contents.right(),
                      edit->sizeHint().height());
    edit->setFixedWidth(
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, edit).width());
}

QLabel* heading(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QCheckBox* check_box(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QRadioButton* radio_button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QRadioButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    return button;
}

QSpinBox* spin_edit(QWidget* parent, const char* name, int minimum, int maximum, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QPushButton* push_button(QWidget* parent, const char* name, const char* caption,
                         const char* hint = nullptr) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    if (hint != nullptr) {
        button->setToolTip(QString::fromUtf8(hint));
    }
    return button;
}

// A configuration number's spin edit, with the range and the start value of the option table.
QSpinBox* option_spin_edit(QWidget* parent, const char* name) {
    for (const option_bits::Number& number : option_bits::numbers) {
        if (std::string_view(number.control) == name) {
            return spin_edit(parent, name, number.minimum, number.maximum, number.initial);
        }
    }
    throw std::logic_error(std::string("no configuration number named ") + name);
}

Edit_combo_box* address_list(QWidget* parent, const char* name) {
    auto* list = new Edit_combo_box(parent);
    list->setObjectName(name);
    list->addItem(QStringLiteral("brak"));
    for (int address = 0; address <= option_bits::highest_address; ++address) {
        list->addItem(QString::number(address));
    }
    list->setMaxVisibleItems(20);
    list->setCurrentIndex(0);
    return list;
}

QVBoxLayout* column(QGridLayout* grid, int row, int column_index, int row_span = 1) {
    auto* layout = new QVBoxLayout;
    layout->setSpacing(spacing);
    grid->addLayout(layout, row, column_index, row_span, 1, Qt::AlignTop);
    return layout;
}

QGridLayout* section_grid(QWidget* frame, QLabel* title) {
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(spacing);
    if (title != nullptr) {
        grid->addWidget(title, 0, 0, 1, -1, Qt::AlignLeft);
    }
    return grid;
}

void fit_height(QWidget* section_widget, int drawn_height) {
    section_widget->setFixedHeight(std::max(drawn_height, section_widget->sizeHint().height()));
}

} // namespace

void Main_controls::build_controls(QWidget* form) {
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(build_presets(form));
    layout->addWidget(build_operating_mode(form));
    layout->addWidget(build_alarm_mode(form));
    layout->addWidget(build_relay_and_addresses(form));
    layout->addWidget(build_signalling(form));
    layout->addWidget(build_status_and_actions(form), 1);

    Timer_dongle = new QTimer(form);
    Timer_dongle->setObjectName("Timer_dongle");
    Timer_dongle->setInterval(1000);
}

QFrame* Main_controls::build_presets(QWidget* form) {
    QFrame* frame = section(form, QFrame::Raised, "1. Ustaw domyślne opcje na oknie dla czujki:");
    QGridLayout* grid =
        section_grid(frame, heading(frame, "1. Ustaw domyślne opcje na oknie dla czujki:"));
    Button_set_alarm =
        push_button(frame, "Button_set_alarm", "KTR27 W", "Czujka do systemu alarmowego");
    Button_set_conv = push_button(frame, "Button_set_conv", "KTR27 K", "Czujka konwencjonalna");
    Button_set_PNX30 = push_button(frame, "Button_set_PNX30", "KTR27 A", "Czujka do systemu PNX30");
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : {Button_set_alarm, Button_set_conv, Button_set_PNX30}) {
        button->setMinimumWidth(120);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 1, 0);
    fit_height(frame, presets_height);
    return frame;
}

QFrame* Main_controls::build_operating_mode(QWidget* form) {
    QFrame* frame = section(form, QFrame::Raised, "2. Tryb pracy");
    QGridLayout* grid = section_grid(frame, heading(frame, "2. Tryb pracy"));

    QVBoxLayout* detection = column(grid, 1, 0, 2);
    CheckBox_optic = check_box(frame, "CheckBox_optic", "Optyczna (wykrywanie dymu)");
    CheckBox_autocompensation =
        check_box(frame, "CheckBox_autocompensation", "Stosuj autokompensacje zapylenia");
    CheckBox_thermic =
        check_box(frame, "CheckBox_thermic", "Termiczna (wykrywanie wzrostu temperatury)");
    CheckBox_ROP = check_box(frame, "CheckBox_ROP", "Używaj wejścia ROP");
    CheckBox_const_add_10m =
        check_box(frame, "CheckBox_const_add_10m", "Stały dodatkowy prąd czujki +10mA");
    CheckBox_const_add_20m =
        check_box(frame, "CheckBox_const_add_20m", "Stały dodatkowy prąd czujki +20mA");
    for (QWidget* box : {CheckBox_optic, CheckBox_autocompensation, CheckBox_thermic, CheckBox_ROP,
                         CheckBox_const_add_10m, CheckBox_const_add_20m}) {
        detection->addWidget(box);
    }

    QVBoxLayout* outputs = column(grid, 1, 1);
    auto* wz = new QGroupBox(QStringLiteral("Tryb WZ"), frame);
    RadioButton_WZ_NC = radio_button(wz, "RadioButton_WZ_NC", "NC (W zasilane podczas dozoru)");
    RadioButton_WZ_NO = radio_button(wz, "RadioButton_WZ_NO", "NO (W zasilane podczas alarmu)");
    RadioButton_WZ_NO->setChecked(true);
    auto* wz_layout = new QVBoxLayout(wz);
    wz_layout->setContentsMargins(8, 2, 8, 4);
    wz_layout->setSpacing(spacing);
    wz_layout->addWidget(RadioButton_WZ_NC);
    wz_layout->addWidget(RadioButton_WZ_NO);
    outputs->addWidget(wz);

    auto* rop = new QGroupBox(QStringLiteral("ROP"), frame);
    CSpinEdit_rop_ans = option_spin_edit(rop, "CSpinEdit_rop_ans");
    CSpinEdit_rop_alm = option_spin_edit(rop, "CSpinEdit_rop_alm");
    auto* rop_layout = new QHBoxLayout(rop);
    rop_layout->setContentsMargins(8, 2, 8, 4);
    rop_layout->addWidget(label_for(CSpinEdit_rop_ans, "ANS"));
    rop_layout->addWidget(CSpinEdit_rop_ans);
    rop_layout->addSpacing(8);
    rop_layout->addWidget(label_for(CSpinEdit_rop_alm, "ALM"));
    rop_layout->addWidget(CSpinEdit_rop_alm);
    rop_layout->addStretch();
    outputs->addWidget(rop);

    QVBoxLayout* features = column(grid, 1, 2);
    CheckBox_iso_active = check_box(frame, "CheckBox_iso_active", "Opcja izolatora ISO_VLK");
    CheckBox_save_events = check_box(frame, "CheckBox_save_events", "Zapis zdarzeń");
    CheckBox_overwrite = check_box(frame, "CheckBox_overwrite", "Nadpisywanie zdarzeń");
    CheckBox_show_low_voltage =
        check_box(frame, "CheckBox_show_low_voltage", "Diagnostyka zasilania");
    CheckBox_keep_scan = check_box(frame, "CheckBox_keep_scan", "Podtrzymanie SCAN");
    for (QWidget* box : {CheckBox_iso_active, CheckBox_save_events, CheckBox_overwrite,
                         CheckBox_show_low_voltage, CheckBox_keep_scan}) {
        features->addWidget(box);
    }

    ComboBox_smoke_profile = new Edit_combo_box(frame);
    ComboBox_smoke_profile->setObjectName("ComboBox_smoke_profile");
    for (const char* profile :
         {"Profil 0 (standardowy)", "Profil 1 (odporność)", "Profil 2 (stolarnia)",
          "Profil 3 (zapylenie)", "Profil 4 (przsypieszone wykrywanie)",
          "Profil 5 (dym papierosowy)", "Profil 6 (mały dym papierosowy)"}) {
        ComboBox_smoke_profile->addItem(QString::fromUtf8(profile));
    }
    ComboBox_smoke_profile->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboBox_smoke_profile->setCurrentIndex(-1);
    ComboBox_smoke_profile->setEditText(QStringLiteral("Profil 0 (standardowy)"));
    auto* profile = new QHBoxLayout;
    profile->setSpacing(6);
    profile->addWidget(label_for(ComboBox_smoke_profile, "Profil detekcji dymu"));
    profile->addWidget(ComboBox_smoke_profile);
    profile->addStretch();
    grid->addLayout(profile, 2, 1, 1, 2, Qt::AlignTop);

    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    fit_height(frame, operating_mode_height);
    return frame;
}

QFrame* Main_controls::build_alarm_mode(QWidget* form) {
    QFrame* frame = section(form, QFrame::Raised, "3. Tryb alarmowania");
    QGridLayout* grid = section_grid(frame, heading(frame, "3. Tryb alarmowania"));
    RadioButton_lock = radio_button(frame, "RadioButton_lock",
                                    "Zatrzaskowy (praca dwustanowa z zatrzaskiem alarmu)");
    RadioButton_lock->setChecked(true);
    RadioButton_reset = radio_button(frame, "RadioButton_reset",
                                     "Kasowalny (po ustąpieniu przyczyny alarmu następuje "
                                     "samoczynny powrót do stanu dozorowania)");
    CheckBox_con = check_box(frame, "CheckBox_con",
                             "Koniunkcja (alarm zatrzaskowy gdy wystąpi jednocześnie wykrycie "
                             "dymu i ciepła - opcja niezalecana)");
    CheckBox_ar_mode =
        check_box(frame, "CheckBox_ar_mode", "Tryb AR (impulsowa sygnalizacja 1s/6s)");
    CSpinEdit_hc = option_spin_edit(frame, "CSpinEdit_hc");

    grid->addWidget(RadioButton_lock, 1, 0, 1, -1);
    grid->addWidget(RadioButton_reset, 2, 0, 1, -1);
    grid->addWidget(CheckBox_con, 3, 0, 1, -1);
    auto* last_row = new QHBoxLayout;
    last_row->setSpacing(6);
    last_row->addWidget(CheckBox_ar_mode);
    last_row->addSpacing(24);
    last_row->addWidget(label_for(CSpinEdit_hc, "HC"));
    last_row->addWidget(CSpinEdit_hc);
    last_row->addStretch();
    grid->addLayout(last_row, 4, 0, 1, -1);
    grid->setRowStretch(5, 1);
    fit_height(frame, alarm_mode_height);
    return frame;
}

QWidget* Main_controls::build_relay_and_addresses(QWidget* form) {
    auto* row = new QWidget(form);
    auto* row_layout = new QHBoxLayout(row);
    row_layout->setContentsMargins(0, 0, 0, 0);
    row_layout->setSpacing(0);

    QFrame* relay = section(row, QFrame::Sunken, "4. Obsługa przekaźnika / prąd alarmu");
    QGridLayout* relay_grid =
        section_grid(relay, heading(relay, "4. Obsługa przekaźnika / prąd alarmu"));
    CheckBox_relay = check_box(relay, "CheckBox_relay", "Praca przekaźnika");
    RadioButton_NC = radio_button(relay, "RadioButton_NC", "NC (stałe 10mA)");
    RadioButton_NO = radio_button(relay, "RadioButton_NO", "NO (10mA podczas alarmu)");
    RadioButton_NO->setChecked(true);
    CheckBox_alarm_add_10m = check_box(relay, "CheckBox_alarm_add_10m", "+10mA");
    CheckBox_alarm_add_20m = check_box(relay, "CheckBox_alarm_add_20m", "+20mA");
    relay_grid->addWidget(CheckBox_relay, 1, 0);
    relay_grid->addWidget(RadioButton_NC, 2, 0);
    relay_grid->addWidget(RadioButton_NO, 3, 0);
    relay_grid->addWidget(CheckBox_alarm_add_10m, 2, 1);
    relay_grid->addWidget(CheckBox_alarm_add_20m, 3, 1);
    relay_grid->setColumnStretch(2, 1);
    relay_grid->setRowStretch(4, 1);
    relay->setFixedWidth(std::max(relay_width, relay->sizeHint().width()));

    QFrame* addresses = section(row, QFrame::Sunken, "5. Adresy PNX30");
    QGridLayout* address_grid = section_grid(addresses, heading(addresses, "5. Adresy PNX30"));
    ComboBox_address_1 = address_list(addresses, "ComboBox_address_1");
    CheckBox_address_increment =
        check_box(addresses, "CheckBox_address_increment", "Zwiększ przy podłączeniu");
    ComboBox_address_2 = address_list(addresses, "ComboBox_address_2");
    ComboBox_address_WK = address_list(addresses, "ComboBox_address_WK");
    CheckBox_address_WK_increment =
        check_box(addresses, "CheckBox_address_WK_increment", "Zwiększ przy podłączeniu");
    address_grid->addWidget(label_for(ComboBox_address_1, "Adres podstawowy"), 1, 0);
    address_grid->addWidget(ComboBox_address_1, 1, 1);
    address_grid->addWidget(CheckBox_address_increment, 1, 2);
    address_grid->addWidget(label_for(ComboBox_address_2, "Adres ROP"), 2, 0);
    address_grid->addWidget(ComboBox_address_2, 2, 1);
    address_grid->addWidget(label_for(ComboBox_address_WK, "Adres czujek W / K"), 3, 0);
    address_grid->addWidget(ComboBox_address_WK, 3, 1);
    address_grid->addWidget(CheckBox_address_WK_increment, 3, 2);
    address_grid->setColumnStretch(3, 1);
    address_grid->setRowStretch(4, 1);

    row_layout->addWidget(relay);
    row_layout->addWidget(addresses, 1);
    fit_height(row, relay_and_addresses_height);
    return row;
}

QFrame* Main_controls::build_signalling(QWidget* form) {
    QFrame* frame = section(form, QFrame::Raised, "6. Opcje sygnalizacyjne");
    QGridLayout* grid = section_grid(frame, heading(frame, "6. Opcje sygnalizacyjne"));
    CheckBox_blink = check_box(frame, "CheckBox_blink", "Stan dozorowania");
    CheckBox_dust = check_box(frame, "CheckBox_dust", "Stan zabrudzenia");
    CheckBox_malfunction =
        check_box(frame, "CheckBox_malfunction", "Stan awarii i zabrudzenia krytycznego");
    CheckBox_diff_alarm = check_box(frame, "CheckBox_diff_alarm",
                                    "Rozróżniaj źródło alarmu (dym - światło ciągłe, ciepło - "
                                    "miganie naprzemienne)");
    CheckBox_const_current = check_box(frame, "CheckBox_const_current",
                                       "Stały prąd LED podczas alarmowania (zarówno dla "
                                       "światła ciągłego jak i migania)");
    auto* states = new QHBoxLayout;
    states->setSpacing(24);
    states->addWidget(CheckBox_blink);
    states->addWidget(CheckBox_dust);
    states->addWidget(CheckBox_malfunction);
    states->addStretch();
    grid->addLayout(states, 1, 0);
    grid->addWidget(CheckBox_diff_alarm, 2, 0);
    grid->addWidget(CheckBox_const_current, 3, 0);
    grid->setRowStretch(4, 1);
    fit_height(frame, signalling_height);
    return frame;
}

QFrame* Main_controls::build_status_and_actions(QWidget* form) {
    // The one section without a heading.
    QFrame* frame = section(form, QFrame::Raised, "Stan połączenia i operacje");
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);

    // The status labels later read "... NIE PODŁĄCZONY/A"; room for the longest keeps the row
    // from shifting when the monitor changes them.
    Shape_dongle = new Circle_shape(frame);
    Shape_dongle->setObjectName("Shape_dongle");
    Shape_dongle->setAccessibleName(QString::fromUtf8("Dongle: stan nieznany"));
    Label_dev_state = new QLabel(QStringLiteral("DONGLE USB"), frame);
    Label_dev_state->setObjectName("Label_dev_state");
    Shape_ktr = new Circle_shape(frame);
    Shape_ktr->setObjectName("Shape_ktr");
    Shape_ktr->setAccessibleName(QString::fromUtf8("Czujka: stan nieznany"));
    Label_ktr_info = new QLabel(QStringLiteral("KTR27 INFO"), frame);
    Label_ktr_info->setObjectName("Label_ktr_info");
    for (QLabel* label : {Label_dev_state, Label_ktr_info}) {
        QFont bold = label->font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        label->setMinimumWidth(
            std::max(metrics.horizontalAdvance(QString::fromUtf8("DONGLE KTR27 NIE PODŁĄCZONY")),
                     metrics.horizontalAdvance(QString::fromUtf8("CZUJKA KTR27 NIE PODŁĄCZONA"))) +
            4);
    }
    CSpinEdit_cmp = spin_edit(frame, "CSpinEdit_cmp", 1, 31, 2);
    auto* status = new QHBoxLayout;
    status->setSpacing(6);
    status->addWidget(Shape_dongle);
    status->addWidget(Label_dev_state);
    status->addSpacing(12);
    status->addWidget(Shape_ktr);
    status->addWidget(Label_ktr_info);
    status->addStretch();
    status->addWidget(label_for(CSpinEdit_cmp, "CMPL"));
    status->addWidget(CSpinEdit_cmp);
    layout->addLayout(status);

    Edit_code = new QLineEdit(QStringLiteral("0x0000"), frame);
    Edit_code->setObjectName("Edit_code");
    Edit_code2 = new QLineEdit(QStringLiteral("0x0000"), frame);
    Edit_code2->setObjectName("Edit_code2");
    // The identifier is a version byte and an information word (up to six digits), the WID
    // pair two words (up to eight); both edits get room for eight, so they line up.
    fit_hex_width(Edit_code, 8);
    fit_hex_width(Edit_code2, 8);
    Edit_code2->setAccessibleName(QString::fromUtf8("Identyfikator produkcyjny WID"));
    auto* identifier = new QHBoxLayout;
    identifier->setSpacing(6);
    identifier->addWidget(label_for(Edit_code, "Identyfikator produkcyjny:"));
    identifier->addWidget(Edit_code);
    identifier->addWidget(Edit_code2);
    identifier->addStretch();
    layout->addLayout(identifier);

    Button_read_ktr27 = push_button(frame, "Button_read_ktr27", "Odczytaj");
    Button_send_to_ktr27 = push_button(frame, "Button_send_to_ktr27", "Wyslij");
    for (QPushButton* button : {Button_read_ktr27, Button_send_to_ktr27}) {
        QFont bold = button->font();
        bold.setBold(true);
        button->setFont(bold);
        button->setMinimumSize(120, 30);
    }
    CheckBox_send_on_connect =
        check_box(frame, "CheckBox_send_on_connect", "Wyślij przy podłączeniu");
    Button1 = push_button(frame, "Button1", "PNX30 (KMX12)...");
    Button1->setMinimumHeight(30);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(Button_read_ktr27);
    actions->addWidget(Button_send_to_ktr27);
    actions->addWidget(CheckBox_send_on_connect);
    actions->addStretch();
    actions->addWidget(Button1);
    layout->addLayout(actions);
    layout->addStretch();
    return frame;
}
