#include "station_settings.h"

#include "line_connection.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSysInfo>

namespace {

const char* const line_names[] = {"none", "connection", "service"};

QString line_name(Station_settings::Line line) {
    return QString::fromLatin1(line_names[static_cast<int>(line)]);
}

Station_settings::Line line_of(const QString& name) {
    for (int i = 0; i < 3; ++i) {
        if (name == QLatin1String(line_names[i])) {
            return static_cast<Station_settings::Line>(i);
        }
    }
    return Station_settings::Line::none;
}

} // namespace

QString Station_settings::environment_variable() {
    return QCoreApplication::applicationName().toUpper().replace(QLatin1Char('-'),
                                                                 QLatin1Char('_')) +
           QStringLiteral("_LINE_DB");
}

Station_settings Station_settings::load(const QString& file) {
    const QSettings kept(file, QSettings::IniFormat);
    Station_settings settings;
    settings.station = kept.value(QStringLiteral("station/name")).toString().trimmed();
    if (settings.station.isEmpty()) {
        settings.station = QSysInfo::machineHostName();
    }
    settings.operator_name = kept.value(QStringLiteral("station/operator")).toString();
    settings.line = line_of(kept.value(QStringLiteral("line/kind")).toString());
    settings.connection = kept.value(QStringLiteral("line/connection")).toString();
    settings.service = kept.value(QStringLiteral("line/service")).toString();
    settings.sslmode = kept.value(QStringLiteral("line/sslmode")).toString();
    settings.environment_line =
        qEnvironmentVariable(environment_variable().toLatin1().constData()).trimmed();
    return settings;
}

bool Station_settings::save(const QString& file) const {
    QSettings kept(file, QSettings::IniFormat);
    kept.setValue(QStringLiteral("station/name"), station.trimmed());
    kept.setValue(QStringLiteral("station/operator"), operator_name.trimmed());
    kept.setValue(QStringLiteral("line/kind"), line_name(line));
    kept.setValue(QStringLiteral("line/connection"), connection.trimmed());
    kept.setValue(QStringLiteral("line/service"), service.trimmed());
    kept.setValue(QStringLiteral("line/sslmode"), sslmode);
    kept.sync();
    return kept.status() == QSettings::NoError;
}

QString Station_settings::line_conninfo() const {
    if (!environment_line.isEmpty()) {
        return environment_line;
    }
    QString text;
    if (line == Line::connection) {
        text = connection.trimmed();
    } else if (line == Line::service && !service.trimmed().isEmpty()) {
        text = QStringLiteral("service=%1").arg(service.trimmed());
    }
    if (text.isEmpty()) {
        return {};
    }
    const auto pairs = Line_connection::parse(text);
    bool names_sslmode = false;
    for (const auto& [key, value] : pairs.value_or(Line_connection::Pairs{})) {
        names_sslmode = names_sslmode || key == QLatin1String("sslmode");
    }
    if (!sslmode.isEmpty() && !names_sslmode) {
        text += QStringLiteral(" sslmode=%1").arg(sslmode);
    }
    return text;
}

QString Station_settings::problem() const {
    if (station.trimmed().isEmpty()) {
        return QStringLiteral("Podaj nazwę stanowiska.");
    }
    if (line == Line::connection) {
        if (connection.trimmed().isEmpty()) {
            return QStringLiteral("Podaj połączenie z bazą linii.");
        }
        return Line_connection::problem(connection);
    }
    if (line == Line::service) {
        const QString name = service.trimmed();
        if (name.isEmpty() || !Line_connection::parse(QStringLiteral("service=") + name) ||
            name.contains(QLatin1Char(' '))) {
            return QStringLiteral("Podaj nazwę usługi z pliku usług libpq (pg_service.conf).");
        }
    }
    return {};
}
