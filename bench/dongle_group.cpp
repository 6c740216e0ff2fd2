#include "dongle_group.h"

#include "fault_list.h"
#include "sim_bench.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

Dongle_group::Dongle_group(Sim_bench& bench, QWidget* parent)
    : QGroupBox(QStringLiteral("Dongle"), parent), bench(bench) {
    setObjectName(QStringLiteral("Group_dongle"));
    plug_button = new QPushButton(QStringLiteral("Plug"), this);
    plug_button->setObjectName(QStringLiteral("Button_plug_dongle"));
    unplug_button = new QPushButton(QStringLiteral("Unplug"), this);
    unplug_button->setObjectName(QStringLiteral("Button_unplug_dongle"));

    using Fault = Sim_dongle::Fault;
    fault_list = new Fault_list<Fault>(
        bench.dongle().faults(),
        {{QStringLiteral("no reply"), Fault::no_reply,
          QStringLiteral("The dongle swallows every request")},
         {QStringLiteral("late reply"), Fault::late_reply,
          QStringLiteral("Every reply comes after the tool has stopped waiting for it")},
         {QStringLiteral("request damaged (0xCE)"), Fault::rejection,
          QStringLiteral("Requests reach the detector damaged, so it answers 0xCE")},
         {QStringLiteral("wrong echo"), Fault::wrong_echo,
          QStringLiteral("Every reply echoes another address, marker or word")},
         {QStringLiteral("reply CRC damaged"), Fault::bad_crc,
          QStringLiteral("Every reply is damaged on its way back")}},
        this);
    fault_list->setObjectName(QStringLiteral("List_dongle_fault"));

    unplug_after_spin = new QSpinBox(this);
    unplug_after_spin->setObjectName(QStringLiteral("Spin_unplug_after"));
    unplug_after_spin->setRange(0, 1000);
    unplug_after_spin->setValue(20);
    unplug_after_spin->setSuffix(QStringLiteral(" requests"));
    unplug_after_spin->setAccessibleName(
        QStringLiteral("Requests before the dongle is pulled out"));
    unplug_after_button = new QPushButton(QStringLiteral("Pull out after"), this);
    unplug_after_button->setObjectName(QStringLiteral("Button_unplug_after"));
    unplug_after_button->setToolTip(
        QStringLiteral("The dongle answers this many requests, then is pulled out while the "
                       "next one is on its way"));

    state_label = new QLabel(this);
    state_label->setObjectName(QStringLiteral("Label_dongle_state"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(plug_button, 0, 0);
    grid->addWidget(unplug_button, 0, 1);
    auto* fault_label = new QLabel(QStringLiteral("Reply fault"), this);
    fault_label->setBuddy(fault_list);
    grid->addWidget(fault_label, 1, 0);
    grid->addWidget(fault_list, 1, 1);
    grid->addWidget(unplug_after_button, 2, 0);
    grid->addWidget(unplug_after_spin, 2, 1);
    grid->addWidget(state_label, 3, 0, 1, 2);

    connect(plug_button, &QPushButton::clicked, this, [this] {
        this->bench.plug_dongle();
        refresh();
    });
    connect(unplug_button, &QPushButton::clicked, this, [this] {
        this->bench.unplug_dongle();
        refresh();
    });
    connect(unplug_after_button, &QPushButton::clicked, this, [this] {
        this->bench.dongle().unplug_after(static_cast<std::uint32_t>(unplug_after_spin->value()));
        refresh();
    });
    refresh();
}

void Dongle_group::refresh() {
    Sim_dongle& dongle = bench.dongle();
    const bool plugged = dongle.plugged();
    plug_button->setEnabled(!plugged);
    unplug_button->setEnabled(plugged);
    QString cmpl = QStringLiteral("-");
    if (auto last = dongle.last_cmpl()) {
        cmpl = QString::number(*last);
    }
    state_label->setText(QStringLiteral("%1, %2 requests, last CMPL %3")
                             .arg(plugged ? QStringLiteral("plugged") : QStringLiteral("unplugged"))
                             .arg(dongle.request_count())
                             .arg(cmpl));
}
