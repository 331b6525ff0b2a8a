#include "data/DataModule.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString server = args.size() > 1 && !args[1].isEmpty() ? args[1] : data::defaults::server();
    data::DataModule module([](const QString& m) { ui::Messages::error(m); });
    try {
        module.openStartupConnection(server);
    } catch (const data::Error& e) {
        ui::Messages::error(e.text());
        return 1;
    }
    QMessageBox::information(nullptr, QStringLiteral("Табель"),
                             QStringLiteral("Подключение к БД установлено"));
    return 0;
}
