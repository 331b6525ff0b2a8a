#pragma once

#include <QDateEdit>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QLineEdit;
class QColor;
class QLabel;

namespace ui {

// A date picker whose typed date counts only when Enter confirms it; the key then goes on to
// the window, whose default button takes it as from any other box. Tab leaves the picker
// at once instead of stepping through day, month and year.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    DatePicker(const char* objectName, QWidget* parent = nullptr);

signals:
    void confirmed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
};

// What a box lets through as typed: digits only, or a decimal number where a typed point is
// entered as a comma. Editing keys and shortcuts pass (a pasted text is checked where it is
// used); every other character is dropped.
enum class TypedKeys { Digits, Decimal };
void filterKeys(QLineEdit* box, TypedKeys keys);

// A label with its documented name, in bold.
QLabel* boldLabel(const QString& text, const char* objectName, QWidget* parent);

// A highlighted choice: the given background and bold text in black or white, whichever
// reads better on it; off, the usual look again.
void highlight(QWidget* widget, bool on, const QColor& colour);

// Black or white, whichever stands out more from the background.
QColor readableOn(const QColor& background);

// Enables or disables the controls together, whatever their kind.
void setEnabled(std::initializer_list<QWidget*> widgets, bool on);

// Tab goes through the controls in this order (the screen's), whatever order they were made in.
void setTabOrder(std::initializer_list<QWidget*> widgets);

// A group of choices is one Tab stop, its checked choice; the arrows move between them.
void tabToCheckedChoice(std::initializer_list<QAbstractButton*> choices);

// Room for the bold text of a highlighted choice, so a bar does not shift when it changes.
void reserveBoldWidth(QAbstractButton* button);

} // namespace ui
