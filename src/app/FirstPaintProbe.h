#pragma once

#include <QByteArray>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace app {

// TABEL_FIRST_PAINT_SINCE (a CLOCK_MONOTONIC time in ns, taken by whoever started the
// program) makes the watched window's first paint print the milliseconds since then and the
// peak memory so far, and end the program: bench/startup.cpp times start-up with it, the
// program's and its bare reference's alike. Qt alone, so the reference links nothing else.
class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(qint64 since) : since_(since) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint)
            return false;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double ms = (qint64(now.tv_sec) * 1000000000 + now.tv_nsec - since_) / 1e6;
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        QByteArray peak;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed();
        std::printf("first paint %.2f ms, peak %s\n", ms, peak.constData());
        std::fflush(stdout);
        std::_Exit(0);
    }

private:
    qint64 since_;
};

} // namespace app
