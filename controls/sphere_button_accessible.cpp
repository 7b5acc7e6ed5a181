#include "controls/sphere_button_accessible.h"

#include "controls/sphere_button.h"

namespace {

QAccessible::Role roleOf(const SphereButton* button)
{
    return button->isCheckBox() ? QAccessible::CheckBox : QAccessible::Button;
}

} // namespace

SphereButtonAccessible::SphereButtonAccessible(SphereButton* button)
    : QAccessibleWidget(button, roleOf(button))
{
}

QAccessible::Role SphereButtonAccessible::role() const { return roleOf(button()); }

SphereButton* SphereButtonAccessible::button() const { return static_cast<SphereButton*>(widget()); }

QString SphereButtonAccessible::text(QAccessible::Text kind) const
{
    // A name set on the widget wins; otherwise the caption is the name, as on a push button.
    if (kind == QAccessible::Name && button()->accessibleName().isEmpty())
        return button()->caption();
    return QAccessibleWidget::text(kind);
}

QAccessible::State SphereButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (button()->isCheckBox()) {
        state.checkable = true;
        state.checked = button()->checked();
    }
    state.focusable = button()->focusPolicy() != Qt::NoFocus;
    return state;
}

QStringList SphereButtonAccessible::actionNames() const
{
    if (!button()->isEnabled())
        return {};
    return { button()->isCheckBox() ? toggleAction() : pressAction() };
}

void SphereButtonAccessible::doAction(const QString& action)
{
    if (button()->isEnabled() && (action == pressAction() || action == toggleAction()))
        button()->activate();
}

QStringList SphereButtonAccessible::keyBindingsForAction(const QString& action) const
{
    if (action == pressAction() || action == toggleAction())
        return { QStringLiteral("Space") };
    return {};
}

QAccessibleInterface* SphereButtonAccessible::create(const QString& className, QObject* object)
{
    if (className == QLatin1String("SphereButton") && object && object->isWidgetType())
        return new SphereButtonAccessible(static_cast<SphereButton*>(object));
    return nullptr;
}
