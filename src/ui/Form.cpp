#include "Form.h"

#include "ActionGuard.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {

namespace {

// Qt passes Enter on from a button that is not the default one, and the window's default
// button takes it; a user who pressed Enter on a button meant that button.
class EnterPressesButton : public QObject {
public:
    explicit EnterPressesButton(QPushButton* button) : QObject(button), button_(button) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = (key->key() == Qt::Key_Return && key->modifiers() == Qt::NoModifier) ||
                           (key->key() == Qt::Key_Enter &&
                            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
        if (!enter)
            return false;
        button_->click();
        return true;
    }

private:
    QPushButton* button_;
};

} // namespace

void fitOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen())
        fitInside(window, screen->availableGeometry());
}

void fitInside(QWidget* window, const QRect& area) {
    const QSize frameExtra = window->frameGeometry().size() - window->size();
    const QSize room = area.size() - frameExtra;
    if (window->width() > room.width() || window->height() > room.height()) {
        const QSize fits = window->size().boundedTo(room);
        if (window->minimumSize() == window->maximumSize())
            window->setFixedSize(fits);
        else
            window->resize(fits.expandedTo(window->minimumSize()));
    }
    QRect frame = window->frameGeometry();
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    if (frame.topLeft() != window->frameGeometry().topLeft())
        window->move(frame.topLeft());
}

Form::Form(const QString& objectName, const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

QPushButton* Form::addButton(const char* objectName, const QString& text,
                             std::function<void()> handler) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(objectName));
    // Qt would make the first auto-default button of a dialog the default one, so Enter in
    // any field would press it.
    button->setAutoDefault(false);
    button->installEventFilter(new EnterPressesButton(button));
    if (handler)
        connect(button, &QPushButton::clicked, this, [this, handler] { runGuarded(handler); });
    return button;
}

bool Form::runGuarded(const std::function<void()>& handler) {
    return guarded(handler, this);
}

void Form::setDefaultButton(QPushButton* button) {
    button->setAutoDefault(true);
    button->setDefault(true);
}

void Form::setCancelButton(QPushButton* button) {
    escapeButton_ = button;
}

void Form::setClientSize(int width, int height) {
    const QWidget* menu = layout() ? layout()->menuBar() : nullptr;
    setFixedSize(width, height + (menu ? menu->sizeHint().height() : 0));
}

Form::SaveCancel Form::layOutEditDialog(QWidget* content, std::function<void()> save) {
    SaveCancel pair{
        addButton(EditDialogNames::save, QStringLiteral("Записать"), std::move(save)),
        addButton(EditDialogNames::cancel, QStringLiteral("Отмена"), [this] { reject(); })};
    setDefaultButton(pair.save);
    setCancelButton(pair.cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(pair.save);
    buttons->addWidget(pair.cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content);
    layout->addLayout(buttons);
    return pair;
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitOnScreen(this);
    if (centred_)
        return;
    centred_ = true;
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = over && over->isVisible() ? over->frameGeometry()
                       : screen()                ? screen()->availableGeometry()
                                                 : QRect();
    if (area.isNull())
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
    fitOnScreen(this); // centred over a window near the edge it may stick out
}

void Form::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && escapeButton_) {
        if (escapeButton_->isEnabled())
            escapeButton_->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace ui
