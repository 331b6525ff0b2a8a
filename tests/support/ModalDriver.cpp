#include "ModalDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

void whenModalOpens(std::function<void(QWidget* modal)> action, int timeoutMs) {
    QWidget* before = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, before, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window opened";
        }
    });
    timer->start();
}
