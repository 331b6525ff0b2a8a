// Start to the login window's first paint, and the peak memory by then: the program (with its
// start-up connection to the bench database) against a bare Qt dialog with the same controls,
// font and size, alternating run by run; both on the offscreen platform.
//
//   bench_startup SOCKET DATABASE USER PASSWORD_FILE [RUNS]
//   bench_startup --bare          (the reference dialog, as the benchmark starts it)
#include "Timing.h"
#include "app/FirstPaintProbe.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int bare(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Авторизация"));
    auto* server = new QLabel(QStringLiteral("Сервер: , БД: "), &dialog);
    auto* login = new QLineEdit(&dialog);
    auto* password = new QLineEdit(&dialog);
    password->setEchoMode(QLineEdit::Password);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Логин"), &dialog), 0, 0);
    fields->addWidget(login, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Пароль"), &dialog), 1, 0);
    fields->addWidget(password, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(new QPushButton(QStringLiteral("Вход"), &dialog));
    buttons->addWidget(new QPushButton(QStringLiteral("Отмена"), &dialog));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(server);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    dialog.setFixedSize(336, 125);
    app::FirstPaintProbe probe(qgetenv("TABEL_FIRST_PAINT_SINCE").toLongLong());
    dialog.installEventFilter(&probe);
    dialog.show();
    return QApplication::exec();
}

struct Start {
    double ms = 0, peakKib = 0;
};

Start startOnce(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TABEL_FIRST_PAINT_SINCE"), QString::number(monotonicNs()));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(30000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression line(
        QStringLiteral("first paint ([0-9.]+) ms, peak ([0-9]+) kB"));
    const auto m = line.match(out);
    if (!m.hasMatch()) {
        std::fprintf(stderr, "%s gave no first paint: %s %s\n", qPrintable(program),
                     qPrintable(out), p.readAllStandardError().constData());
        std::exit(1);
    }
    return {m.captured(1).toDouble(), m.captured(2).toDouble()};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return bare(argc, argv);
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[RUNS]");
    if (!t)
        return 2;
    const int runs = t->more.value(0, QStringLiteral("20")).toInt();
    const QString tabel =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/tabel");
    std::vector<double> program, reference, programKib, referenceKib;
    const auto ms =
        bench::alternatedRuns(runs, {[&]() -> std::optional<double> {
                                         const Start s = startOnce(tabel, {t->socket, t->database});
                                         programKib.push_back(s.peakKib);
                                         return s.ms;
                                     },
                                     [&]() -> std::optional<double> {
                                         const Start s =
                                             startOnce(QCoreApplication::applicationFilePath(),
                                                       {QStringLiteral("--bare")});
                                         referenceKib.push_back(s.peakKib);
                                         return s.ms;
                                     }});
    std::printf("start-up to the login window's first paint, %d runs (target: ratio <= 1.3)\n"
                "  program median %.1f ms (min %.1f, max %.1f), peak %.1f MiB; bare dialog median "
                "%.1f ms (min %.1f, max %.1f), peak %.1f MiB; ratio %.2f, memory ratio %.2f\n",
                runs, bench::median(ms[0]), bench::minimum(ms[0]), bench::maximum(ms[0]),
                bench::median(programKib) / 1024, bench::median(ms[1]), bench::minimum(ms[1]),
                bench::maximum(ms[1]), bench::median(referenceKib) / 1024,
                bench::median(ms[0]) / bench::median(ms[1]),
                bench::median(programKib) / bench::median(referenceKib));
    return 0;
}
