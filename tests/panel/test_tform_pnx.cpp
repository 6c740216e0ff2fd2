#include "sim_bench.h"
#include "tform_pnx.h"
#include "user_message.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace {

// The simulated module with the panel and a loop of two configured detectors at 3 and 17.
struct Panel_site {
    Panel_site() {
        bench.plug_module();
        bench.panel().set_login_required(true);
        at_3 = &bench.add_loop_detector(3, Sim_detector::configured(52, 0x21));
        at_17 = &bench.add_loop_detector(17, Sim_detector::configured(52, 0x21));
    }

    Sim_bench bench;
    Sim_detector* at_3 = nullptr;
    Sim_detector* at_17 = nullptr;
};

QStringList log_of(const TForm_pnx& form) {
    const QString text = form.Memo_log->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

QStringList items_of(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) {
        items << box.itemText(i);
    }
    return items;
}

void enter_password(TForm_pnx& form, const QString& digits) {
    form.medt_check_password->clear();
    form.medt_check_password->setFocus();
    form.medt_check_password->home(false);
    QTest::keyClicks(form.medt_check_password, digits);
}

const QStringList connected_3_17 = {
    QStringLiteral("Połączenie KMX12 OK"),  QStringLiteral("PNX30 hasło OK"),
    QStringLiteral("PNX30 start skanu OK"), QStringLiteral("PNX30 odczyt skanu OK"),
    QStringLiteral("ADRESY: 3, 17"),        QStringLiteral("PNX30 blokada skanu OK"),
};

} // namespace

class Test_tform_pnx : public QObject {
    Q_OBJECT

private:
    std::vector<std::string> messages;
    User_message_handler previous;

private slots:
    void init() {
        messages.clear();
        previous =
            set_user_message_handler([this](const std::string& text) { messages.push_back(text); });
    }
    void cleanup() { set_user_message_handler(previous); }

    void startsIdleWithItsControls() {
        Panel_site site;
        TForm_pnx form;
        QCOMPARE(form.windowTitle(), QStringLiteral("PNX30"));
        QCOMPARE(form.size(), QSize(432, 392));
        QCOMPARE(form.Button_connect->text(), QStringLiteral("Połącz"));
        QCOMPARE(form.Button_disconnect->text(), QStringLiteral("Rozłącz"));
        QCOMPARE(form.Button_edit->text(), QStringLiteral("Wybierz"));
        QCOMPARE(form.Button1->text(), QStringLiteral("erease events"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Hasło konfiguracyjne centrali"));
        QCOMPARE(form.Label5->text(), QStringLiteral("Adres (czujka) do edycji"));
        QCOMPARE(form.Label6->text(), QStringLiteral("OD"));
        QCOMPARE(form.Label7->text(), QStringLiteral("DO"));
        QCOMPARE(form.Label2->text(), QStringLiteral("1."));
        QVERIFY(form.Label3->font().bold());
        QVERIFY(form.Button_connect->isEnabled());
        QVERIFY(!form.Button_disconnect->isEnabled());
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(log_of(form).isEmpty());
        QCOMPARE(form.ComboBox_adr->count(), 0);
        QCOMPARE(form.ComboBox_adr->currentIndex(), -1);
        QVERIFY(!form.ComboBox_adr->isEditable());
        QCOMPARE(form.medt_check_password->echoMode(), QLineEdit::Password);
        QCOMPARE(form.medt_check_password->maxLength(), 4);
        QCOMPARE(form.CSpinEdit1->value(), 0);
        QVERIFY(form.CSpinEdit1->maximum() > 1000 && form.CSpinEdit1->minimum() < -1000);
        QVERIFY(!form.panel_link_open());
        QCOMPARE(form.detector_address(), 0);

        // The mask takes four digits and nothing else.
        enter_password(form, QStringLiteral("12a345"));
        QCOMPARE(form.medt_check_password->text(), QStringLiteral("1234"));
    }

    void stepRowsFollowTheBottomEdge() {
        Panel_site site;
        TForm_pnx form;
        form.show();
        const QRect connect_before = form.Button_connect->geometry();
        const QRect spin_before = form.CSpinEdit1->geometry();
        form.resize(532, 442);
        QCOMPARE(form.Button_connect->geometry(), connect_before.translated(0, 50));
        QCOMPARE(form.CSpinEdit1->geometry(), spin_before);
        QCOMPARE(form.Memo_log->width(), 517);
    }

    void rightPasswordScansTheLoop() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        const auto before = site.bench.now_ms();
        form.Button_connect->click();
        QVERIFY(site.bench.now_ms() - before >= 1000);

        QCOMPARE(log_of(form), connected_3_17);
        QCOMPARE(items_of(*form.ComboBox_adr), (QStringList{"3", "17"}));
        QCOMPARE(form.ComboBox_adr->currentIndex(), -1);
        QVERIFY(form.panel_link_open());
        QVERIFY(!form.Button_connect->isEnabled());
        QVERIFY(form.Button_disconnect->isEnabled());
        QVERIFY(site.bench.panel().logged_in());
        // The panel's own scanning is blocked so that the loop is free for the tool.
        QVERIFY(!site.bench.panel().scan_running());

        // The connection now reaches the detectors for the main window.
        form.pnx_connection().choose_address("17");
        std::uint8_t version = 0;
        std::uint16_t information = 0;
        QCOMPARE(form.pnx_connection().get_info(version, information), 0);
        QCOMPARE(int(version), 52);
        QCOMPARE(int(information), 0x21);
    }

    void wrongPasswordDropsTheLinkAndDisconnectStaysHarmless() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("4321"));
        form.Button_connect->click();
        QCOMPARE(log_of(form), (QStringList{QStringLiteral("Połączenie KMX12 OK"),
                                            QStringLiteral("Błędne hasło PNX30")}));
        QVERIFY(!form.pnx_connection().has_link());
        QVERIFY(!form.panel_link_open());
        QVERIFY(!form.Button_connect->isEnabled());
        QVERIFY(form.Button_disconnect->isEnabled());
        QCOMPARE(site.bench.os().open_file_handles(), 0);

        const auto requests = site.bench.module().request_count();
        form.Button_disconnect->click();
        form.Button1->click();
        std::uint16_t first = 0, second = 0;
        QCOMPARE(form.pnx_connection().read_2_words(0x1040, first, second), 1);
        QCOMPARE(site.bench.module().request_count(), requests);
        QCOMPARE(log_of(form).mid(2), (QStringList{QStringLiteral("KTR27 start scan ERROR"),
                                                   QStringLiteral("PNX30 start scan ERROR")}));
        QVERIFY(form.Button_connect->isEnabled());
        QVERIFY(!form.Button_disconnect->isEnabled());
    }

    void absentModuleChangesNoButton() {
        Panel_site site;
        site.bench.unplug_module();
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        QCOMPARE(log_of(form), QStringList{QStringLiteral("Połączenie KMX12 ERROR")});
        QVERIFY(form.Button_connect->isEnabled());
        QVERIFY(!form.Button_disconnect->isEnabled());
        QVERIFY(!form.pnx_connection().has_link());
        QVERIFY(messages.empty());
    }

    void emptyLoopGivesBareAddressLine() {
        Panel_site site;
        site.bench.loop().clear();
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        QCOMPARE(log_of(form).at(4), QStringLiteral("ADRESY"));
        QCOMPARE(form.ComboBox_adr->count(), 0);
        QVERIFY(form.panel_link_open());
    }

    void failedBitmapReadKeepsTheOldList() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        form.Button_disconnect->click();
        // A third detector joins; the next bitmap read (the fourth request of "Połącz": probe,
        // password, start scan, bitmap) goes unanswered.
        site.bench.add_loop_detector(40, Sim_detector::configured(52, 0x21));
        site.bench.module().arm(Sim_module::Fault::no_reply, Sim_fault_schedule::after(3, 1));
        form.Button_connect->click();
        const QStringList lines = log_of(form);
        QCOMPARE(lines.mid(8), (QStringList{QStringLiteral("Połączenie KMX12 OK"),
                                            QStringLiteral("PNX30 hasło OK"),
                                            QStringLiteral("PNX30 start skanu OK"),
                                            QStringLiteral("PNX30 odczyt skanu ERROR"),
                                            QStringLiteral("PNX30 blokada skanu OK")}));
        QCOMPARE(items_of(*form.ComboBox_adr), (QStringList{"3", "17"}));
        QVERIFY(!form.panel_link_open());

        // A second "Połącz" that reads the bitmap refills the list.
        form.Button_disconnect->click();
        form.Button_connect->click();
        QCOMPARE(items_of(*form.ComboBox_adr), (QStringList{"3", "17", "40"}));
        QCOMPARE(log_of(form).at(19), QStringLiteral("ADRESY: 3, 17, 40"));
        QVERIFY(form.panel_link_open());
    }

    void failedBlockEndsSilently() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        // Probe, password, start scan and bitmap pass; the block goes unanswered.
        site.bench.module().arm(Sim_module::Fault::no_reply, Sim_fault_schedule::after(4, 1));
        form.Button_connect->click();
        QCOMPARE(log_of(form), connected_3_17.mid(0, 5));
        QVERIFY(form.panel_link_open());
        QCOMPARE(site.bench.module().request_count(), 5u);
    }

    void chooseNeedsAnAddress() {
        Panel_site site;
        TForm_pnx form;
        form.show();
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        form.Button_edit->click();
        QCOMPARE(messages, std::vector<std::string>{"Proszę wybrać adres czujki..."});
        QVERIFY(form.isVisible());
        QCOMPARE(form.detector_address(), 0);

        form.ComboBox_adr->setCurrentIndex(1);
        form.Button_edit->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.detector_address(), 17);
        QCOMPARE(messages.size(), size_t{1});

        // Showing it again shows the same log, buttons and list; nothing was disconnected.
        form.show();
        QCOMPARE(log_of(form), connected_3_17);
        QCOMPARE(items_of(*form.ComboBox_adr), (QStringList{"3", "17"}));
        QVERIFY(form.Button_disconnect->isEnabled());
        QVERIFY(form.panel_link_open());
        QVERIFY(form.pnx_connection().has_link());
    }

    void disconnectAddressesTheChosenDetectorOr255() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        form.ComboBox_adr->setCurrentIndex(1);
        form.Button_edit->click();

        // An entry is selected: the command goes to the address chosen before.
        form.ComboBox_adr->setCurrentIndex(0);
        const auto to_17 = site.at_17->request_count();
        form.Button_disconnect->click();
        QCOMPARE(site.at_17->request_count(), to_17 + 1);
        QCOMPARE(int(site.bench.panel().last_detector_request()->at(0)), 17);
        QCOMPARE(int(site.bench.panel().last_detector_request()->at(1)), 0xE1);
        QCOMPARE(int(site.bench.panel().last_detector_request()->at(2)), 9);
        QCOMPARE(log_of(form).mid(6), (QStringList{QStringLiteral("KTR27 start scan OK"),
                                                   QStringLiteral("PNX30 start scan OK")}));
        QVERIFY(site.at_17->scanning());
        QVERIFY(site.bench.panel().scan_running());
        QVERIFY(!form.panel_link_open());
        QVERIFY(form.pnx_connection().has_link());

        // Nothing selected after a new scan: 255, which both detectors answer at once, so
        // no reply is heard.
        form.Button_connect->click();
        QCOMPARE(form.ComboBox_adr->currentIndex(), -1);
        form.Button_disconnect->click();
        QCOMPARE(form.detector_address(), 255);
        QCOMPARE(int(site.bench.panel().last_detector_request()->at(0)), 255);
        QCOMPARE(log_of(form).mid(14), (QStringList{QStringLiteral("KTR27 start scan ERROR"),
                                                    QStringLiteral("PNX30 start scan OK")}));
    }

    void eraseEventsClearsTheChosenDetectorOnly() {
        Panel_site site;
        site.at_3->set_events(12);
        site.at_17->set_events(30);
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        form.ComboBox_adr->setCurrentIndex(1);
        form.Button_edit->click();
        // The range edits change nothing: parameters are always 0 and 0.
        form.CSpinEdit1->setValue(5);
        form.CSpinEdit2->setValue(9);
        const QStringList before = log_of(form);
        form.Button1->click();
        QCOMPARE(site.at_17->events(), 0u);
        QCOMPARE(site.at_3->events(), 12u);
        const auto request = *site.bench.panel().last_detector_request();
        QCOMPARE(int(request[1]), 0xE1);
        QCOMPARE(int(request[2]), 26);
        for (int i = 4; i < 8; ++i) {
            QCOMPARE(int(request[i]), 0);
        }
        QCOMPARE(log_of(form), before);
        QVERIFY(messages.empty());
    }

    void eraseEventsBeforeAnyConnectSendsNothing() {
        Panel_site site;
        TForm_pnx form;
        form.Button1->click();
        QCOMPARE(site.bench.module().request_count(), 0u);
        QVERIFY(log_of(form).isEmpty());
    }

    void secondConnectReplacesTheLink() {
        Panel_site site;
        TForm_pnx form;
        enter_password(form, QStringLiteral("1234"));
        form.Button_connect->click();
        form.Button_disconnect->click();
        form.Button_connect->click();
        QCOMPARE(log_of(form).mid(8), connected_3_17);
        // One module link at a time: two handles (write and read) of the new one.
        QCOMPARE(site.bench.os().open_file_handles(), 2);
    }

    void destroyingTheWindowReleasesTheModule() {
        Panel_site site;
        {
            TForm_pnx form;
            enter_password(form, QStringLiteral("1234"));
            form.Button_connect->click();
            QVERIFY(site.bench.os().open_file_handles() > 0);
        }
        QCOMPARE(site.bench.os().open_file_handles(), 0);
    }
};

QTEST_MAIN(Test_tform_pnx)
#include "test_tform_pnx.moc"
