#pragma once

#include <QDateEdit>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QLineEdit;
class QColor;
class QLabel;

namespace ui {

// A date picker whose typed date counts only when Enter confirms it; the key goes no
// further, so no default button of the window takes it.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    DatePicker(const char* objectName, QWidget* parent = nullptr);

signals:
    void confirmed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// What a box lets through as typed: digits only, or a decimal number where a typed point is
// entered as a comma. Editing keys and shortcuts pass (a pasted text is checked where it is
// used); every other character is dropped.
enum class TypedKeys { Digits, Decimal };
void filterKeys(QLineEdit* box, TypedKeys keys);

// A label with its documented name, in bold.
QLabel* boldLabel(const QString& text, const char* objectName, QWidget* parent);

// A highlighted choice: the given background and bold text; off, the usual look again.
void highlight(QWidget* widget, bool on, const QColor& colour);

// Enables or disables the controls together, whatever their kind.
void setEnabled(std::initializer_list<QWidget*> widgets, bool on);

// Room for the bold text of a highlighted choice, so a bar does not shift when it changes.
void reserveBoldWidth(QAbstractButton* button);

} // namespace ui
