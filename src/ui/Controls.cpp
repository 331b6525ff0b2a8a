#include "Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <vector>

namespace ui {

DatePicker::DatePicker(const char* objectName, QWidget* parent) : QDateEdit(parent) {
    setObjectName(QLatin1String(objectName));
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
}

void DatePicker::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    QDateEdit::keyPressEvent(e); // takes the typed date and leaves Enter to the window
    if (enter)
        emit confirmed();
}

// The arrows and typing move between the parts of the date; Tab is the window's.
bool DatePicker::focusNextPrevChild(bool next) {
    return QAbstractSpinBox::focusNextPrevChild(next);
}

namespace {

class KeyFilter : public QObject {
public:
    KeyFilter(QLineEdit* box, TypedKeys keys) : QObject(box), box_(box), keys_(keys) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint() || key->key() == Qt::Key_Backspace ||
            (key->modifiers() & Qt::ControlModifier))
            return false;
        const QChar c = text.at(0);
        if (keys_ == TypedKeys::Digits)
            return !c.isDigit();
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            box_->insert(QStringLiteral(","));
            return true;
        }
        return !c.isDigit();
    }

private:
    QLineEdit* box_;
    TypedKeys keys_;
};

} // namespace

void filterKeys(QLineEdit* box, TypedKeys keys) {
    box->installEventFilter(new KeyFilter(box, keys));
}

QLabel* boldLabel(const QString& text, const char* objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QColor readableOn(const QColor& background) {
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double light = 0.2126 * linear(background.redF()) + 0.7152 * linear(background.greenF()) +
                         0.0722 * linear(background.blueF());
    // Contrast ratios of white and of black text on it.
    return (1.05 / (light + 0.05)) > ((light + 0.05) / 0.05) ? QColor(Qt::white)
                                                             : QColor(Qt::black);
}

void highlight(QWidget* w, bool on, const QColor& colour) {
    QPalette p = w->parentWidget() ? w->parentWidget()->palette() : QApplication::palette();
    if (on) {
        p.setColor(w->backgroundRole(), colour);
        // Black bold text on the journal's dark green could not be read.
        p.setColor(w->foregroundRole(), readableOn(colour));
    }
    w->setPalette(on ? p : QPalette());
    w->setAutoFillBackground(on);
    QFont f = w->font();
    f.setBold(on);
    w->setFont(f);
}

void setEnabled(std::initializer_list<QWidget*> widgets, bool on) {
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

void setTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* w : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// Qt makes the last focused choice of a group its Tab stop; before any focus every choice is
// one, and the first, not the checked one, is reached.
void tabToCheckedChoice(std::initializer_list<QAbstractButton*> choices) {
    const std::vector<QAbstractButton*> group(choices);
    const auto follow = [group] {
        const bool anyChecked =
            std::any_of(group.begin(), group.end(), [](auto* b) { return b->isChecked(); });
        for (QAbstractButton* b : group) {
            const bool stop = anyChecked ? b->isChecked() : b == group.front();
            b->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    for (QAbstractButton* b : group)
        QObject::connect(b, &QAbstractButton::toggled, b, follow);
    follow();
}

void reserveBoldWidth(QAbstractButton* b) {
    QFont bold = b->font();
    bold.setBold(true);
    const int extra = QFontMetrics(bold).horizontalAdvance(b->text()) -
                      b->fontMetrics().horizontalAdvance(b->text());
    b->setMinimumWidth(b->sizeHint().width() + extra);
}

} // namespace ui
