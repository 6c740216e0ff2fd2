#include "panel_group.h"

#include "loop_filler.h"

#include "fault_list.h"
#include "sim_bench.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

Panel_group::Panel_group(Sim_bench& bench, Detector_factory& factory,
                         std::function<Detector_factory::Settings()> next_detector, QWidget* parent)
    : QGroupBox(QStringLiteral("KMX12 / PNX30"), parent), bench(bench), factory(factory),
      next_detector(std::move(next_detector)) {
    setObjectName(QStringLiteral("Group_panel"));

    plug_button = new QPushButton(QStringLiteral("Plug module"), this);
    plug_button->setObjectName(QStringLiteral("Button_plug_module"));
    unplug_button = new QPushButton(QStringLiteral("Unplug module"), this);
    unplug_button->setObjectName(QStringLiteral("Button_unplug_module"));

    password_edit = new QLineEdit(QStringLiteral("1234"), this);
    password_edit->setObjectName(QStringLiteral("Edit_panel_password"));
    password_edit->setInputMask(QStringLiteral("9999"));
    login_box = new QCheckBox(QStringLiteral("login required"), this);
    login_box->setObjectName(QStringLiteral("CheckBox_login_required"));
    login_box->setToolTip(QStringLiteral(
        "The panel answers nothing but the password check until the right password was given"));
    login_box->setChecked(true);

    using Fault = Sim_module::Fault;
    fault_list = new Fault_list<Fault>(
        bench.module().faults(),
        {{QStringLiteral("no reply"), Fault::no_reply,
          QStringLiteral("The module swallows every request")},
         {QStringLiteral("late reply"), Fault::late_reply,
          QStringLiteral("Every answer comes after the tool has stopped waiting for it")},
         {QStringLiteral("error reply"), Fault::error_reply,
          QStringLiteral("Every answer is the module's error reply")},
         {QStringLiteral("wrong command code"), Fault::wrong_code,
          QStringLiteral("Every answer frame carries a neighbouring command code")},
         {QStringLiteral("frame CRC damaged"), Fault::bad_crc,
          QStringLiteral("The CRC-16 of every answer frame is damaged")}},
        this);
    fault_list->setObjectName(QStringLiteral("List_module_fault"));

    address_spin = new QSpinBox(this);
    address_spin->setObjectName(QStringLiteral("Spin_loop_address"));
    address_spin->setRange(0, 99);
    address_spin->setValue(3);
    address_spin->setAccessibleName(QStringLiteral("Loop address of the next detector"));
    add_button = new QPushButton(QStringLiteral("Add detector at"), this);
    add_button->setObjectName(QStringLiteral("Button_add_loop_detector"));
    add_button->setToolTip(QStringLiteral(
        "A new detector as set under \"Detector on dongle\"; two at one address garble each "
        "other's answers, as on a real loop"));
    remove_button = new QPushButton(QStringLiteral("Remove selected"), this);
    remove_button->setObjectName(QStringLiteral("Button_remove_loop_detector"));
    fill_spin = new QSpinBox(this);
    fill_spin->setObjectName(QStringLiteral("Spin_fill_loop"));
    fill_spin->setRange(1, Loop_filler::most);
    fill_spin->setValue(12);
    fill_spin->setAccessibleName(QStringLiteral("Detectors to put on the loop"));
    fill_button = new QPushButton(QStringLiteral("Fill the loop"), this);
    fill_button->setObjectName(QStringLiteral("Button_fill_loop"));
    fill_button->setToolTip(QStringLiteral(
        "Replaces the loop by N detectors at 1..N: presets W, K, A and factory-fresh in turn, "
        "one silent, two at address 2"));
    loop_list = new QListWidget(this);
    loop_list->setObjectName(QStringLiteral("List_loop"));
    loop_list->setMinimumHeight(60);
    loop_list->setAccessibleName(QStringLiteral("Detectors on the loop"));

    state_label = new QLabel(this);
    state_label->setObjectName(QStringLiteral("Label_panel_state"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(plug_button, 0, 0);
    grid->addWidget(unplug_button, 0, 1);
    auto* password_label = new QLabel(QStringLiteral("Panel password"), this);
    password_label->setBuddy(password_edit);
    grid->addWidget(password_label, 1, 0);
    auto* password_row = new QHBoxLayout;
    password_row->addWidget(password_edit);
    password_row->addWidget(login_box);
    grid->addLayout(password_row, 1, 1);
    auto* fault_label = new QLabel(QStringLiteral("Reply fault"), this);
    fault_label->setBuddy(fault_list);
    grid->addWidget(fault_label, 2, 0);
    grid->addWidget(fault_list, 2, 1);
    grid->addWidget(add_button, 3, 0);
    grid->addWidget(address_spin, 3, 1);
    grid->addWidget(fill_button, 4, 0);
    grid->addWidget(fill_spin, 4, 1);
    grid->addWidget(loop_list, 5, 0, 1, 2);
    grid->addWidget(remove_button, 6, 0, 1, 2);
    grid->addWidget(state_label, 7, 0, 1, 2);

    bench.panel().set_password(password_edit->text().toStdString());
    bench.panel().set_login_required(true);

    connect(plug_button, &QPushButton::clicked, this, [this] {
        this->bench.plug_module();
        refresh();
    });
    connect(unplug_button, &QPushButton::clicked, this, [this] {
        this->bench.unplug_module();
        refresh();
    });
    connect(password_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { this->bench.panel().set_password(text.toStdString()); });
    connect(login_box, &QCheckBox::toggled, this,
            [this](bool on) { this->bench.panel().set_login_required(on); });
    connect(add_button, &QPushButton::clicked, this, [this] { add_detector(); });
    connect(remove_button, &QPushButton::clicked, this, [this] { remove_selected(); });
    connect(fill_button, &QPushButton::clicked, this, [this] { fill_loop(fill_spin->value()); });
    connect(loop_list, &QListWidget::currentRowChanged, this, [this] { refresh(); });
    refresh();
}

void Panel_group::add_detector() {
    const auto address = static_cast<std::uint8_t>(address_spin->value());
    members.push_back(&bench.add_loop_detector(address, factory.make(next_detector())));
    fill_loop_list();
    loop_list->setCurrentRow(static_cast<int>(members.size()) - 1);
    emit loop_changed();
}

void Panel_group::fill_loop(int count) {
    for (Sim_detector* detector : members) {
        bench.loop().remove(*detector);
    }
    members = Loop_filler::fill(bench, factory, count).detectors;
    fill_loop_list();
    emit loop_changed();
}

void Panel_group::remove_selected() {
    const int row = loop_list->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= members.size()) {
        return;
    }
    bench.loop().remove(*members[static_cast<std::size_t>(row)]);
    members.erase(members.begin() + row);
    fill_loop_list();
    emit loop_changed();
}

void Panel_group::fill_loop_list() {
    loop_list->clear();
    for (Sim_detector* detector : members) {
        loop_list->addItem(QStringLiteral("Address %1: detector #%2, version %3")
                               .arg(detector->loop_address())
                               .arg(detector->pair(Sim_detector::wid_address)[1])
                               .arg(detector->version()));
    }
    refresh();
}

void Panel_group::refresh() {
    const bool plugged = bench.module().plugged();
    plug_button->setEnabled(!plugged);
    unplug_button->setEnabled(plugged);
    remove_button->setEnabled(loop_list->currentRow() >= 0);
    Sim_panel& panel = bench.panel();
    state_label->setText(
        QStringLiteral("Module %1, %2 requests;\npanel %3, scan %4")
            .arg(plugged ? QStringLiteral("plugged") : QStringLiteral("unplugged"))
            .arg(bench.module().request_count())
            .arg(panel.logged_in() ? QStringLiteral("logged in") : QStringLiteral("locked"))
            .arg(panel.scan_running() ? QStringLiteral("running") : QStringLiteral("blocked")));
}
