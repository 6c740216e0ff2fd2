#include "loop_plan_file.h"

#include "configuration_file.h"
#include "loop_address.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <array>
#include <cmath>

namespace {

constexpr const char* format_name = "KTR27 Tunex plan pętli";

struct Site_field {
    const char* name;
    QString Loop_plan::Site::*field;
};
const std::array<Site_field, 4> site_fields = {{
    {"Obiekt", &Loop_plan::Site::object},
    {"Centrala", &Loop_plan::Site::panel},
    {"Pętla", &Loop_plan::Site::loop},
    {"Wykonał", &Loop_plan::Site::performer},
}};

Loop_plan_file::Loaded refused(const QString& problem) {
    return {std::nullopt, problem};
}

QString quoted(const QString& name) {
    return QStringLiteral("„%1”").arg(name);
}

QString header_problem(const QJsonObject& root) {
    const QJsonValue format = root.value(QStringLiteral("format"));
    if (format.isUndefined()) {
        return QStringLiteral("To nie jest plik planu pętli KTR27 Tunex (brak pola „format”).");
    }
    if (format != QJsonValue(QString::fromUtf8(format_name))) {
        return QStringLiteral("To nie jest plik planu pętli KTR27 Tunex: pole „format” ma "
                              "wartość %1 zamiast \"%2\".")
            .arg(Configuration_file::json_text(format), QString::fromUtf8(format_name));
    }
    const QJsonValue version = root.value(QStringLiteral("format_version"));
    if (!version.isDouble()) {
        return version.isUndefined()
                   ? QStringLiteral("W pliku brak wersji formatu („format_version”).")
                   : QStringLiteral("Wersja formatu pliku („format_version”) musi być liczbą, a "
                                    "w pliku jest %1.")
                         .arg(Configuration_file::json_text(version));
    }
    if (version.toDouble() != Loop_plan_file::format_version) {
        return QStringLiteral("Nieznana wersja formatu pliku (%1); program odczytuje wersję %2.")
            .arg(Configuration_file::json_text(version))
            .arg(Loop_plan_file::format_version);
    }
    if (!root.value(QStringLiteral("site")).isObject()) {
        return QStringLiteral("W pliku brak obiektu danych obiektu („site”).");
    }
    if (!root.value(QStringLiteral("detectors")).isArray()) {
        return QStringLiteral("W pliku brak listy czujek („detectors”).");
    }
    return {};
}

QString site_problem(const QJsonObject& site, Loop_plan::Site& into) {
    for (const Site_field& field : site_fields) {
        const QString name = QString::fromUtf8(field.name);
        const QJsonValue value = site.value(name);
        if (!value.isString()) {
            return value.isUndefined()
                       ? QStringLiteral("W pliku brak pola %1 danych obiektu.").arg(quoted(name))
                       : QStringLiteral("Pole %1 musi być tekstem, a w pliku jest %2.")
                             .arg(quoted(name), Configuration_file::json_text(value));
        }
        if (value.toString().size() > Loop_plan_file::longest_field) {
            return QStringLiteral("Pole %1 jest dłuższe niż %2 znaków.")
                .arg(quoted(name))
                .arg(Loop_plan_file::longest_field);
        }
        into.*field.field = value.toString();
    }
    return {};
}

// The loop address of one entry of the list, or -1 with `problem` set.
int loop_address_of(const QJsonObject& entry, int position, QString& problem) {
    const QJsonValue value = entry.value(QStringLiteral("loop_address"));
    const double given = value.toDouble(-1.0);
    if (!value.isDouble() || given < loop_address::lowest || given > loop_address::highest ||
        given != std::floor(given)) {
        problem = QStringLiteral("Czujka nr %1 listy ma niedozwolony adres na pętli "
                                 "(„loop_address”: %2); dozwolone: liczba od %3 do %4.")
                      .arg(position)
                      .arg(value.isUndefined() ? QStringLiteral("brak")
                                               : Configuration_file::json_text(value))
                      .arg(loop_address::lowest)
                      .arg(loop_address::highest);
        return -1;
    }
    return static_cast<int>(given);
}

QString detectors_problem(const QJsonArray& list, std::map<int, DetectorConfig>& into) {
    int position = 0;
    for (const QJsonValue& item : list) {
        ++position;
        if (!item.isObject()) {
            return QStringLiteral("Czujka nr %1 listy nie jest obiektem.").arg(position);
        }
        const QJsonObject entry = item.toObject();
        QString problem;
        const int address = loop_address_of(entry, position, problem);
        if (address < 0) {
            return problem;
        }
        if (into.count(address) != 0) {
            return QStringLiteral("Adres %1 występuje w planie dwa razy.").arg(address);
        }
        const QJsonValue options = entry.value(QStringLiteral("options"));
        if (!options.isObject()) {
            return QStringLiteral("Czujka pod adresem %1: brak obiektu opcji („options”).")
                .arg(address);
        }
        const Configuration_file::Loaded config =
            Configuration_file::from_options(options.toObject());
        if (!config.config) {
            return QStringLiteral("Czujka pod adresem %1: %2").arg(address).arg(config.problem);
        }
        into[address] = *config.config;
    }
    return {};
}

} // namespace

QByteArray Loop_plan_file::encode(const Loop_plan& plan) {
    QJsonObject site;
    for (const Site_field& field : site_fields) {
        site.insert(QString::fromUtf8(field.name), plan.site.*field.field);
    }
    QJsonArray detectors;
    for (const auto& [address, config] : plan.detectors) {
        detectors.append(
            QJsonObject{{QStringLiteral("loop_address"), address},
                        {QStringLiteral("options"), Configuration_file::options_object(config)}});
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromUtf8(format_name));
    root.insert(QStringLiteral("format_version"), format_version);
    root.insert(QStringLiteral("site"), site);
    root.insert(QStringLiteral("detectors"), detectors);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Loop_plan_file::Loaded Loop_plan_file::decode(const QByteArray& bytes) {
    if (bytes.trimmed().isEmpty()) {
        return refused(QStringLiteral("Plik jest pusty."));
    }
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject()) {
        return refused(QStringLiteral("Plik nie jest dokumentem JSON planu pętli KTR27 (%1).")
                           .arg(Configuration_file::json_problem(error)));
    }
    const QJsonObject root = json.object();
    if (const QString problem = header_problem(root); !problem.isEmpty()) {
        return refused(problem);
    }
    Loop_plan plan;
    if (const QString problem =
            site_problem(root.value(QStringLiteral("site")).toObject(), plan.site);
        !problem.isEmpty()) {
        return refused(problem);
    }
    if (const QString problem =
            detectors_problem(root.value(QStringLiteral("detectors")).toArray(), plan.detectors);
        !problem.isEmpty()) {
        return refused(problem);
    }
    return {plan, QString()};
}

bool Loop_plan_file::save(const QString& path, const Loop_plan& plan, QString& problem) {
    // Written aside and renamed, so a failed save never leaves half a file under the name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        problem = QStringLiteral("nie można utworzyć pliku w tym folderze (komunikat systemu: %1)")
                      .arg(file.errorString());
        return false;
    }
    if (file.write(encode(plan)) < 0 || !file.commit()) {
        problem = QStringLiteral("błąd zapisu, np. brak miejsca na dysku (komunikat systemu: %1)")
                      .arg(file.errorString());
        return false;
    }
    return true;
}

Loop_plan_file::Loaded Loop_plan_file::load(const QString& path) {
    QByteArray bytes;
    const QString problem = Configuration_file::read_user_file(
        path, largest,
        {QStringLiteral("Plik jest za duży na plik planu pętli."),
         QStringLiteral("To nie jest zwykły plik, lecz np. potok albo urządzenie; plan pętli "
                        "wczytuje się tylko ze zwykłego pliku.")},
        bytes);
    if (!problem.isEmpty()) {
        return refused(problem);
    }
    return decode(bytes);
}

QString Loop_plan_file::with_suffix(const QString& path) {
    const QString ending = QStringLiteral(".") + QString::fromLatin1(suffix);
    return path.endsWith(ending, Qt::CaseInsensitive) ? path : path + ending;
}
