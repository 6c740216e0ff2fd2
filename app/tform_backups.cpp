#include "tform_backups.h"

#include "backup_table_model.h"
#include "named_button.h"
#include "user_message.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

TForm_backups::TForm_backups(QSqlDatabase database, const QString& wid, Main_window window,
                             QWidget* parent)
    : QDialog(parent), db(std::move(database)), main_window(std::move(window)) {
    setObjectName(QStringLiteral("Form_backups"));
    setWindowTitle(QStringLiteral("Kopie konfiguracji"));
    backups = new Backup_table_model(this);

    ComboBox_wid = new QComboBox(this);
    ComboBox_wid->setObjectName(QStringLiteral("ComboBox_wid"));
    ComboBox_wid->setAccessibleName(QStringLiteral("WID czujki"));
    // Measuring every WID of a large database would hold the window's opening.
    ComboBox_wid->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox_wid->setMinimumContentsLength(12);
    QStringList wids = Backup_table_model::known_wids(db);
    if (!wid.isEmpty()) {
        wids.removeOne(wid);
        wids.prepend(wid);
    }
    // A list model: a combo box's own items cost a hundred times more per WID.
    ComboBox_wid->setModel(new QStringListModel(wids, ComboBox_wid));
    auto* wid_label = new QLabel(QStringLiteral("WID:"), this);
    wid_label->setBuddy(ComboBox_wid);
    Label_state = new QLabel(this);
    Label_state->setObjectName(QStringLiteral("Label_state"));
    auto* top = new QHBoxLayout;
    top->addWidget(wid_label);
    top->addWidget(ComboBox_wid);
    top->addWidget(Label_state, 1);

    Table_backups = new QTableView(this);
    Table_backups->setObjectName(QStringLiteral("Table_backups"));
    Table_backups->setAccessibleName(QStringLiteral("Kopie konfiguracji czujki"));
    Table_backups->setModel(backups);
    Table_backups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_backups->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_backups->setSelectionMode(QAbstractItemView::SingleSelection);
    Table_backups->setTabKeyNavigation(false);
    Table_backups->verticalHeader()->hide();
    Table_backups->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {200, 110, 110, 110, 60};
    for (int c = 0; c < Backup_table_model::words; ++c) {
        Table_backups->setColumnWidth(c, widths[c]);
    }

    Button_load = named_button(this, "Button_load", "Wczytaj do okna");
    Button_compare = named_button(this, "Button_compare", "Porównaj z oknem");
    auto* close = named_button(this, "Button_close", "Zamknij");
    connect(Button_load, &QPushButton::clicked, this, [this] { Button_loadClick(); });
    connect(Button_compare, &QPushButton::clicked, this, [this] { Button_compareClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    List_differences = new QListWidget(this);
    List_differences->setObjectName(QStringLiteral("List_differences"));
    List_differences->setAccessibleName(QStringLiteral("Opcje różne od okna"));
    List_differences->setMaximumHeight(110);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_load);
    buttons->addWidget(Button_compare);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Table_backups, 1);
    layout->addWidget(List_differences);
    layout->addLayout(buttons);
    resize(900, 480);

    connect(ComboBox_wid, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { show_wid(text); });
    show_wid(ComboBox_wid->currentText());
    Table_backups->setFocus();
}

void TForm_backups::show_wid(const QString& wid) {
    backups->set_source(db, wid);
    List_differences->clear();
    if (backups->rowCount() > 0) {
        Table_backups->selectRow(0);
        Label_state->clear();
    } else {
        Label_state->setText(wid.isEmpty() ? QStringLiteral("Baza stanowiska nie ma jeszcze "
                                                            "żadnej kopii konfiguracji.")
                                           : QStringLiteral("Brak kopii konfiguracji tej czujki."));
    }
    if (!backups->error().isEmpty()) {
        Label_state->setText(QStringLiteral("Błąd zapytania: %1").arg(backups->error()));
    }
    Button_load->setEnabled(backups->rowCount() > 0);
    Button_compare->setEnabled(backups->rowCount() > 0);
}

int TForm_backups::selected_row() const {
    const QModelIndexList rows = Table_backups->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TForm_backups::Button_loadClick() {
    const int row = selected_row();
    const auto config = backups->config(row);
    if (!config) {
        show_user_message(row < 0 ? "Wybierz kopię konfiguracji."
                                  : "Ta kopia konfiguracji jest uszkodzona i nie można jej "
                                    "wczytać.");
        return;
    }
    main_window.load(*config, backups->index(row, Backup_table_model::time).data().toString());
}

void TForm_backups::Button_compareClick() {
    const int row = selected_row();
    const auto config = backups->config(row);
    List_differences->clear();
    if (!config) {
        List_differences->addItem(row < 0 ? QStringLiteral("Wybierz kopię konfiguracji.")
                                          : QStringLiteral("Ta kopia konfiguracji jest "
                                                           "uszkodzona."));
        return;
    }
    const QStringList differing = main_window.differing(*config);
    if (differing.isEmpty()) {
        List_differences->addItem(
            QStringLiteral("Okno pokazuje tę samą konfigurację co wybrana kopia."));
        return;
    }
    List_differences->addItems(differing);
}
