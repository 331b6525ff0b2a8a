#include "Messages.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace ui {

namespace {
MessageRecorder* activeRecorder = nullptr;
}

MessageRecorder::MessageRecorder() : previous_(activeRecorder) {
    activeRecorder = this;
}

MessageRecorder::~MessageRecorder() {
    activeRecorder = previous_;
}

QStringList MessageRecorder::texts() const {
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}

Messages::Answer Messages::show(const QString& caption, const QString& text, Icon icon,
                                Buttons buttons, QWidget* parent) {
    if (MessageRecorder* r = activeRecorder) {
        r->messages.push_back({caption, text, icon, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (r->answers.empty())
            return r->defaultAnswer;
        const Answer a = r->answers.front();
        r->answers.pop_front();
        return a;
    }
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case Icon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case Icon::Question:
        boxIcon = QMessageBox::Question;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Information:
        break;
    }
    QMessageBox box(boxIcon, caption, text,
                    buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No,
                    parent);
    if (buttons == Buttons::YesNo) {
        box.setDefaultButton(QMessageBox::Yes);
        // The answers read in Russian also where Qt's own translations are not installed.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    }
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void Messages::error(const QString& text, QWidget* parent) {
    show(QStringLiteral("Ошибка"), text, Icon::Error, Buttons::Ok, parent);
}

bool Messages::askDelete(const QString& text, QWidget* parent) {
    return show(QStringLiteral("Удаление"), text, Icon::Question, Buttons::YesNo, parent) ==
           Answer::Yes;
}

bool Messages::askQuantity(const QString& text, QWidget* parent) {
    return show(QStringLiteral("Запрос"), text, Icon::Warning, Buttons::YesNo, parent) ==
           Answer::Yes;
}

} // namespace ui
