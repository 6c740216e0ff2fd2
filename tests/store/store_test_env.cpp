#include "store_test_env.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// Wine shows the Unix file system as drive Z:.
QString native(QString path) {
#if defined(_WIN32)
    if (path.startsWith(QLatin1Char('/'))) {
        path.prepend(QStringLiteral("Z:"));
    }
    path.replace(QStringLiteral("sslrootcert=/"), QStringLiteral("sslrootcert=Z:/"));
#endif
    return path;
}

bool answers(const QString& conninfo) {
    bool open = false;
    const QString name = QStringLiteral("ktr_test_probe_") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setConnectOptions(conninfo + QStringLiteral(" connect_timeout=2"));
        open = db.open();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return open;
}

bool run_script(const Line_server& server, const char* command) {
    QProcess shell;
#if defined(_WIN32)
    const QString bash = QStringLiteral("Z:/bin/bash");
#else
    const QString bash = QStringLiteral("/bin/bash");
#endif
    shell.start(bash, {server.script, QString::fromLatin1(command), server.state_file});
    // Under Wine a Unix program's exit status does not come back: the server's answer says.
    return shell.waitForFinished(120000);
}

} // namespace

const Line_server* Line_server::get() {
    static const std::unique_ptr<Line_server> server = []() -> std::unique_ptr<Line_server> {
        const QString state = qEnvironmentVariable("KTR_TEST_LINE_SERVER");
        QFile file(native(state));
        if (state.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            return nullptr;
        }
        auto made = std::make_unique<Line_server>();
        made->state_file = state;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line);
            const QString key = text.section(QLatin1Char('='), 0, 0);
            const QString value = text.section(QLatin1Char('='), 1);
            if (key == QLatin1String("KTR_LINE_STATION")) {
                made->station = native(value);
            } else if (key == QLatin1String("KTR_LINE_OWNER")) {
                made->owner = native(value);
            } else if (key == QLatin1String("KTR_LINE_ADMIN")) {
                made->admin = native(value);
            } else if (key == QLatin1String("KTR_FULL_DISK")) {
                made->full_disk = native(value);
            } else if (key == QLatin1String("KTR_READ_ONLY")) {
                made->read_only = native(value);
            } else if (key == QLatin1String("KTR_LINE_SCRIPT")) {
                made->script = value;
            } else if (key == QLatin1String("KTR_LINE_PGPASS")) {
                qputenv("PGPASSFILE", native(value).toUtf8());
            }
        }
        return made;
    }();
    return server.get();
}

bool Line_server::down() const {
    run_script(*this, "down");
    return eventually([this] { return !answers(admin); }, 60000);
}

bool Line_server::up() const {
    run_script(*this, "up");
    return eventually([this] { return answers(admin); }, 60000);
}

std::pair<int, int> Line_server::rows_of(const QString& station_name) const {
    std::pair<int, int> counts{-1, -1};
    const QString name = QStringLiteral("ktr_test_count_") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setConnectOptions(admin);
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral(
                "SELECT count(*), count(DISTINCT id) FROM write_record WHERE station = ?"));
            query.bindValue(0, station_name);
            if (query.exec() && query.next()) {
                counts = {query.value(0).toInt(), query.value(1).toInt()};
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return counts;
}

QString unique_station(const char* what) {
    return QString::fromLatin1(what) + QLatin1Char('-') +
           QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
}

bool eventually(const std::function<bool()>& condition, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

Scratch_store::Scratch_store(const QString& given) : folder(given.isEmpty() ? dir.path() : given) {
    store = reopened();
}

std::unique_ptr<Station_store> Scratch_store::reopened() const {
    auto made = std::make_unique<Station_store>(folder, QStringLiteral("test.sqlite"),
                                                QStringLiteral("historia_zapisow.csv"));
    Record_worker::Timing quick;
    quick.retry_first_ms = 100;
    quick.retry_last_ms = 500;
    quick.idle_check_ms = 500;
    made->set_timing(quick);
    return made;
}

Write_record_line sample_line(int n) {
    Write_record_line line;
    line.link = n % 2 == 0 ? "dongle" : "PNX30 adres " + std::to_string(n % 40);
    line.version = "0x34";
    line.information = "0x0021";
    line.wid = Write_record_line::hex4(0x2417) + " " + Write_record_line::hex4(n);
    line.words.assign(9, "0x0000");
    line.basic_address = std::to_string(n % 40);
    line.outcome = "Operacja przebiegła prawidłowo";
    return line;
}

#if defined(_WIN32)
using Socket = SOCKET;
#else
using Socket = int;
#endif

Silent_listener::Silent_listener() {
#if defined(_WIN32)
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    const Socket s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(s, 16) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        bound_port = ntohs(address.sin_port);
    }
    socket_handle = static_cast<long long>(s);
}

Silent_listener::~Silent_listener() {
#if defined(_WIN32)
    closesocket(static_cast<Socket>(socket_handle));
    WSACleanup();
#else
    ::close(static_cast<Socket>(socket_handle));
#endif
}
