#include "detector_group.h"

#include "sim_bench.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimer>

namespace {

struct Fault_caption {
    Sim_detector::Fault fault;
    const char* caption;
    const char* effect;
};

constexpr Fault_caption fault_captions[] = {
    {Sim_detector::Fault::no_reply, "no reply",
     "The detector hears every request and answers none"},
    {Sim_detector::Fault::reject, "rejects requests (0xCE)",
     "Every request is answered with 0xCE, as if its CRC-8 were wrong"},
    {Sim_detector::Fault::erase_refused, "erase refused",
     "An erase is answered with 0xCE and the segment stays as it was"},
    {Sim_detector::Fault::erase_ignored, "erase ignored",
     "An erase is acknowledged, but the segment stays as it was"},
    {Sim_detector::Fault::erase_spills, "erase spills below",
     "An erase also wipes the segment below the one addressed"},
    {Sim_detector::Fault::program_refused, "write refused",
     "A write is answered with 0xCE and the words stay as they were"},
    {Sim_detector::Fault::program_ignored, "write ignored",
     "A write is acknowledged, but the words stay as they were"},
    {Sim_detector::Fault::wrong_command, "wrong command byte",
     "Every reply carries 0x00 as its command byte"},
    {Sim_detector::Fault::wrong_echo, "wrong echo",
     "Every reply echoes another address, word or marker than the request's"},
    {Sim_detector::Fault::bad_crc, "reply CRC damaged",
     "One bit of every reply is flipped after its CRC-8 was made"},
};

QString hex_word(std::uint16_t word) {
    return QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0'));
}

} // namespace

Detector_group::Detector_group(Sim_bench& bench, Detector_factory& factory, QWidget* parent)
    : QGroupBox(QStringLiteral("Detector on dongle"), parent), bench(bench), factory(factory) {
    setObjectName(QStringLiteral("Group_detector"));

    version_spin = new QSpinBox(this);
    version_spin->setObjectName(QStringLiteral("Spin_version"));
    version_spin->setRange(0, 255);
    version_spin->setValue(52);
    info_edit = new QLineEdit(QStringLiteral("0x0021"), this);
    info_edit->setObjectName(QStringLiteral("Edit_info_word"));
    info_edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("0[xX][0-9a-fA-F]{0,4}|[0-9]{0,5}")), info_edit));

    fresh_radio = new QRadioButton(QStringLiteral("factory-fresh"), this);
    fresh_radio->setObjectName(QStringLiteral("Radio_factory_fresh"));
    configured_radio = new QRadioButton(QStringLiteral("configured"), this);
    configured_radio->setObjectName(QStringLiteral("Radio_configured"));
    fresh_radio->setChecked(true);
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(fresh_radio);
    kinds->addButton(configured_radio);

    attach_button = new QPushButton(QStringLiteral("Attach"), this);
    attach_button->setObjectName(QStringLiteral("Button_attach"));
    attach_button->setToolTip(
        QStringLiteral("Put the detector last taken out back in, or a new one if there is none"));
    detach_button = new QPushButton(QStringLiteral("Detach"), this);
    detach_button->setObjectName(QStringLiteral("Button_detach"));
    fresh_button = new QPushButton(QStringLiteral("Plug a fresh detector"), this);
    fresh_button->setObjectName(QStringLiteral("Button_plug_fresh"));
    fresh_button->setToolTip(QStringLiteral(
        "Take the detector out and, a moment later, put a new one from the factory in"));
    powered_box = new QCheckBox(QStringLiteral("powered"), this);
    powered_box->setObjectName(QStringLiteral("CheckBox_powered"));
    powered_box->setChecked(true);

    state_label = new QLabel(this);
    state_label->setObjectName(QStringLiteral("Label_detector_state"));

    auto* grid = new QGridLayout(this);
    auto* version_label = new QLabel(QStringLiteral("Version"), this);
    version_label->setBuddy(version_spin);
    auto* info_label = new QLabel(QStringLiteral("Information word"), this);
    info_label->setBuddy(info_edit);
    grid->addWidget(version_label, 0, 0);
    grid->addWidget(version_spin, 0, 1);
    grid->addWidget(info_label, 1, 0);
    grid->addWidget(info_edit, 1, 1);
    auto* kind_row = new QHBoxLayout;
    kind_row->addWidget(fresh_radio);
    kind_row->addWidget(configured_radio);
    grid->addLayout(kind_row, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(attach_button);
    buttons->addWidget(detach_button);
    buttons->addWidget(powered_box);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->addWidget(fresh_button, 4, 0, 1, 2);

    auto* faults = new QGridLayout;
    faults->setVerticalSpacing(4);
    int index = 0;
    for (const Fault_caption& entry : fault_captions) {
        auto* box = new QCheckBox(QString::fromLatin1(entry.caption), this);
        box->setObjectName(QStringLiteral("CheckBox_fault_%1").arg(index));
        box->setToolTip(QString::fromLatin1(entry.effect));
        // Squeezing the window takes height from the loop list, never from these.
        box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        faults->addWidget(box, index / 2, index % 2);
        fault_boxes.emplace_back(entry.fault, box);
        const Sim_detector::Fault fault = entry.fault;
        connect(box, &QCheckBox::toggled, this, [this, fault](bool on) {
            if (Sim_detector* detector = socket()) {
                if (on) {
                    detector->arm(fault);
                } else {
                    detector->disarm(fault);
                }
            }
        });
        ++index;
    }
    grid->addWidget(new QLabel(QStringLiteral("Faults"), this), 5, 0, 1, 2);
    grid->addLayout(faults, 6, 0, 1, 2);
    grid->addWidget(state_label, 7, 0, 1, 2);

    swap_timer = new QTimer(this);
    swap_timer->setSingleShot(true);
    swap_timer->setInterval(swap_gap_ms);
    connect(swap_timer, &QTimer::timeout, this,
            [this] { put_in(this->bench.attach_detector(this->factory.make(settings()))); });

    connect(attach_button, &QPushButton::clicked, this, [this] {
        if (taken_out != nullptr) {
            put_in(*taken_out);
        } else {
            put_in(this->bench.attach_detector(this->factory.make(settings())));
        }
    });
    connect(detach_button, &QPushButton::clicked, this, [this] { take_out(); });
    connect(fresh_button, &QPushButton::clicked, this, [this] { plug_fresh(); });
    connect(powered_box, &QCheckBox::toggled, this, [this](bool on) {
        if (Sim_detector* detector = socket()) {
            detector->set_powered(on);
        }
    });
    connect(version_spin, &QSpinBox::valueChanged, this, [this] { apply_identity(); });
    connect(info_edit, &QLineEdit::textEdited, this, [this] { apply_identity(); });
    refresh();
}

Detector_factory::Settings Detector_group::settings() const {
    Detector_factory::Settings settings;
    settings.version = static_cast<std::uint8_t>(version_spin->value());
    settings.info_word =
        Detector_factory::parse_word(info_edit->text().toStdString()).value_or(settings.info_word);
    settings.kind = configured_radio->isChecked() ? Detector_factory::Kind::configured
                                                  : Detector_factory::Kind::factory_fresh;
    return settings;
}

void Detector_group::set_swap_gap_ms(int ms) {
    swap_timer->setInterval(ms);
}

Sim_detector* Detector_group::socket() const {
    return bench.dongle().detector();
}

void Detector_group::put_in(Sim_detector& detector) {
    swap_timer->stop();
    apply_faults(detector);
    detector.set_powered(powered_box->isChecked());
    bench.dongle().attach(&detector);
    if (&detector == taken_out) {
        taken_out = nullptr;
    }
    refresh();
}

void Detector_group::take_out() {
    swap_timer->stop();
    if (Sim_detector* detector = socket()) {
        taken_out = detector;
    }
    bench.detach_detector();
    refresh();
}

void Detector_group::plug_fresh() {
    if (socket() == nullptr) {
        put_in(bench.attach_detector(factory.make(settings())));
        return;
    }
    take_out();
    swap_timer->start();
    refresh();
}

// The version and information word are the detector's own: changing them changes the one in
// the socket too, so the monitor's version gate can be tried without swapping detectors.
void Detector_group::apply_identity() {
    if (Sim_detector* detector = socket()) {
        const Detector_factory::Settings wanted = settings();
        detector->set_version(wanted.version);
        detector->set_info_word(wanted.info_word);
    }
    refresh();
}

void Detector_group::apply_faults(Sim_detector& detector) const {
    for (const auto& [fault, box] : fault_boxes) {
        if (box->isChecked()) {
            detector.arm(fault);
        } else {
            detector.disarm(fault);
        }
    }
}

void Detector_group::refresh() {
    Sim_detector* detector = socket();
    detach_button->setEnabled(detector != nullptr);
    attach_button->setEnabled(detector == nullptr && !swap_timer->isActive());
    if (swap_timer->isActive()) {
        state_label->setText(QStringLiteral("Socket empty, a fresh detector goes in shortly"));
        return;
    }
    if (detector == nullptr) {
        state_label->setText(taken_out != nullptr
                                 ? QStringLiteral("Socket empty (detector #%1 taken out)")
                                       .arg(taken_out->pair(Sim_detector::wid_address)[1])
                                 : QStringLiteral("Socket empty"));
        return;
    }
    QString config = QStringLiteral("configuration checksum wrong");
    bool erased = true;
    for (std::uint16_t address = Sim_detector::config_start; address <= Sim_detector::crc_address;
         address += 2) {
        erased = erased && detector->word(address) == 0xFFFF;
    }
    if (erased) {
        config = QStringLiteral("configuration erased");
    } else if (detector->config_crc_valid()) {
        config = QStringLiteral("configuration valid");
    }
    state_label->setText(QStringLiteral("Detector #%1 in the socket: version %2, information\n"
                                        "word %3, %4; %5 requests")
                             .arg(detector->pair(Sim_detector::wid_address)[1])
                             .arg(detector->version())
                             .arg(hex_word(detector->info_word()))
                             .arg(config)
                             .arg(detector->request_count()));
}
