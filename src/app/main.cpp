#include "data/DataModule.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString server = args.value(1), database = args.value(2);
    // Server and database are used only together; either one missing means the defaults.
    const bool given = !server.isEmpty() && !database.isEmpty();
    data::DataModule module([](const QString& m) { ui::Messages::error(m); });
    try {
        module.ADO_DB.open(given ? server : data::defaults::server(),
                           given ? database : data::defaults::database(),
                           data::defaults::startupUser(), data::defaults::startupPassword());
    } catch (const data::Error& e) {
        ui::Messages::error(e.text());
        return 1;
    }
    QMessageBox::information(nullptr, QStringLiteral("Табель"),
                             QStringLiteral("Подключение к БД установлено (сервер: %1, БД: %2)")
                                 .arg(server, database));
    return 0;
}
