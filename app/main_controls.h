#pragma once

class Circle_shape;
class Edit_combo_box;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QWidget;

// The controls of the main window and their layout. The controls are the configuration being
// edited, so the window's logic works on these fields directly; each control also carries its
// name as objectName.
class Main_controls {
public:
    // Section 1: presets.
    QPushButton* Button_set_alarm = nullptr;
    QPushButton* Button_set_conv = nullptr;
    QPushButton* Button_set_PNX30 = nullptr;

    // Section 2: operating mode.
    QCheckBox* CheckBox_optic = nullptr;
    QCheckBox* CheckBox_autocompensation = nullptr;
    QCheckBox* CheckBox_thermic = nullptr;
    QCheckBox* CheckBox_ROP = nullptr;
    QCheckBox* CheckBox_const_add_10m = nullptr;
    QCheckBox* CheckBox_const_add_20m = nullptr;
    QRadioButton* RadioButton_WZ_NC = nullptr;
    QRadioButton* RadioButton_WZ_NO = nullptr;
    QSpinBox* CSpinEdit_rop_ans = nullptr;
    QSpinBox* CSpinEdit_rop_alm = nullptr;
    QCheckBox* CheckBox_iso_active = nullptr;
    Edit_combo_box* ComboBox_smoke_profile = nullptr;
    QCheckBox* CheckBox_save_events = nullptr;
    QCheckBox* CheckBox_overwrite = nullptr;
    QCheckBox* CheckBox_show_low_voltage = nullptr;
    QCheckBox* CheckBox_keep_scan = nullptr;

    // Section 3: alarm mode.
    QRadioButton* RadioButton_lock = nullptr;
    QRadioButton* RadioButton_reset = nullptr;
    QCheckBox* CheckBox_con = nullptr;
    QCheckBox* CheckBox_ar_mode = nullptr;
    QSpinBox* CSpinEdit_hc = nullptr;

    // Section 4: relay and alarm current.
    QCheckBox* CheckBox_relay = nullptr;
    QRadioButton* RadioButton_NC = nullptr;
    QRadioButton* RadioButton_NO = nullptr;
    QCheckBox* CheckBox_alarm_add_10m = nullptr;
    QCheckBox* CheckBox_alarm_add_20m = nullptr;

    // Section 5: panel addresses.
    Edit_combo_box* ComboBox_address_1 = nullptr;
    QCheckBox* CheckBox_address_increment = nullptr;
    Edit_combo_box* ComboBox_address_2 = nullptr;
    Edit_combo_box* ComboBox_address_WK = nullptr;
    QCheckBox* CheckBox_address_WK_increment = nullptr;

    // Section 6: LED signalling.
    QCheckBox* CheckBox_blink = nullptr;
    QCheckBox* CheckBox_dust = nullptr;
    QCheckBox* CheckBox_malfunction = nullptr;
    QCheckBox* CheckBox_diff_alarm = nullptr;
    QCheckBox* CheckBox_const_current = nullptr;

    // Status, link settings and actions.
    Circle_shape* Shape_dongle = nullptr;
    QLabel* Label_dev_state = nullptr;
    Circle_shape* Shape_ktr = nullptr;
    QLabel* Label_ktr_info = nullptr;
    QSpinBox* CSpinEdit_cmp = nullptr;
    QLineEdit* Edit_code = nullptr;
    QLineEdit* Edit_code2 = nullptr;
    QPushButton* Button_read_ktr27 = nullptr;
    QPushButton* Button_send_to_ktr27 = nullptr;
    QCheckBox* CheckBox_send_on_connect = nullptr;
    QPushButton* Button1 = nullptr;

    QTimer* Timer_dongle = nullptr;

protected:
    // Creates every control as a child of `form` and lays the sections out top to bottom.
    void build_controls(QWidget* form);

private:
    QFrame* build_presets(QWidget* form);
    QFrame* build_operating_mode(QWidget* form);
    QFrame* build_alarm_mode(QWidget* form);
    QWidget* build_relay_and_addresses(QWidget* form);
    QFrame* build_signalling(QWidget* form);
    QFrame* build_status_and_actions(QWidget* form);
};
