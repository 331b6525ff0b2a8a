#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

namespace ui {

// Every message box of the program goes through here, so tests can record them and answer
// questions without anybody clicking.
class Messages {
public:
    enum class Icon { Error, Question, Warning, Information };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    // "Ошибка", error icon, OK.
    static void error(const QString& text, QWidget* parent = nullptr);
    // "Удаление", question icon, Yes and No; true for Yes.
    static bool askDelete(const QString& text, QWidget* parent = nullptr);
    // "Запрос", warning icon, Yes and No; true for Yes.
    static bool askQuantity(const QString& text, QWidget* parent = nullptr);

    static Answer show(const QString& caption, const QString& text, Icon icon, Buttons buttons,
                       QWidget* parent = nullptr);
};

struct RecordedMessage {
    QString caption;
    QString text;
    Messages::Icon icon;
    Messages::Buttons buttons;
};

// While alive, messages are recorded instead of shown; questions take the scripted answers
// in turn, then the default answer.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages;
    std::deque<Messages::Answer> answers;
    Messages::Answer defaultAnswer = Messages::Answer::No;

    QStringList texts() const;
    void clear() { messages.clear(); }

private:
    MessageRecorder* previous_;
    friend class Messages;
};

} // namespace ui
