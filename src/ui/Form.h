#pragma once

#include <QDialog>
#include <functional>

class QPushButton;

namespace ui {

// Keeps a window inside the available area of its screen: a size that does not fit shrinks
// (a fixed one stays fixed at the smaller size), and the window moves in from the edges.
void fitOnScreen(QWidget* window);
// The same within any area of the screen's coordinates.
void fitInside(QWidget* window, const QRect& area);

// The base of every window: its documented name and caption, a fixed client size, centred
// on its first showing and kept inside the screen, Enter and Esc buttons, and buttons whose
// handlers run through the one action guard, so an error ends the action with its own text and the
// window stays.
class Form : public QDialog {
    Q_OBJECT
public:
    Form(const QString& objectName, const QString& caption, QWidget* parent = nullptr);

    // A push button with its documented name. Enter presses it when it has the focus or is
    // the default button; a click runs the handler guarded.
    QPushButton* addButton(const char* objectName, const QString& text,
                           std::function<void()> handler = {});
    // Runs any other handler (a menu item, a key, a timer) the same way; false on an error.
    bool runGuarded(const std::function<void()>& handler);

    // Enter presses this button wherever the focus is, except on another button.
    void setDefaultButton(QPushButton* button);
    // Esc presses this button; without one Esc closes the window.
    void setCancelButton(QPushButton* button);

    // Fixes the window to this client area; a menu bar of the layout comes on top of it.
    void setClientSize(int width, int height);

    // The documented names of an edit dialog's buttons, which its own Names extend.
    struct EditDialogNames {
        static constexpr const char* save = "Button1";
        static constexpr const char* cancel = "Button2";
    };
    // An edit dialog's body: the content, under it "Записать" (Enter) running save and
    // "Отмена" (Esc) closing without it, at the right.
    struct SaveCancel {
        QPushButton* save;
        QPushButton* cancel;
    };
    SaveCancel layOutEditDialog(QWidget* content, std::function<void()> save);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* escapeButton_ = nullptr;
    bool centred_ = false;
};

} // namespace ui
