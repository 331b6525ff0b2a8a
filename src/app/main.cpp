#include "Application.h"
#include "BatchCommand.h"
#include "CommandLine.h"
#include "FirstPaintProbe.h"
#include "ReportServerSetting.h"
#include "SiteSettings.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>
#include <cstdio>
#include <ctime>
#include <exception>
#include <optional>

int main(int argc, char* argv[]) {
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    {
        // Before any QApplication, which needs a display: an administrator asks these first.
        QTextStream out(stdout), err(stderr);
        if (const std::optional<int> answered = app::answerCommandLine(raw, out, err))
            return *answered;
    }
    const bool batch = app::isBatchCommand(raw);
    if (batch) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen"); // reports and exports need no display
        // stderr carries the run's own messages; Qt's notes on the session (no runtime
        // folder, no window manager) would only bury them.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tabel"));
    QApplication::setQuitOnLastWindowClosed(false); // the login window decides when it ends
    app::applySiteSettings(); // after the name: the user's file lies in the program's folder
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); // calendars, month names
    // Qt's own dialogs (printing, files, the preview's tools) speak Russian too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // Arial's metric twin keeps the documented column widths readable.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    QStringList args = QApplication::arguments();
    if (batch) {
        QTextStream err(stderr);
        return app::runBatchCommand(args, err);
    }
    try {
        app::applyStoredStyle();
        const data::ReportServer reportServer = app::takeReportServer(args);
        app::Application tabel(args.value(1), args.value(2));
        tabel.dataModule.reports.setServer(reportServer);
        std::optional<app::FirstPaintProbe> probe;
        if (const QByteArray since = qgetenv("TABEL_FIRST_PAINT_SINCE"); !since.isEmpty()) {
            probe.emplace(since.toLongLong());
            tabel.loginWindow.installEventFilter(&*probe);
        }
        tabel.start();
        return QApplication::exec();
    } catch (const std::exception& e) {
        ui::Messages::error(QString::fromUtf8(e.what()));
        return 1;
    }
}
