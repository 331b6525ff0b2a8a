#include "Application.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <exception>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tabel"));
    QApplication::setQuitOnLastWindowClosed(false); // the login window decides when it ends
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); // calendars, month names
    // Arial's metric twin keeps the documented column widths readable.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    const QStringList args = QApplication::arguments();
    try {
        app::applyStoredStyle();
        app::Application tabel(args.value(1), args.value(2));
        tabel.start();
        return QApplication::exec();
    } catch (const std::exception& e) {
        ui::Messages::error(QString::fromUtf8(e.what()));
        return 1;
    }
}
