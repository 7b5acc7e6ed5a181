#include "editor/panel_accessible.h"

#include "engine/picture_panel.h"

#include <QAccessibleWidget>
#include <QVariant>

namespace {

// Where the given role, value and checked state are kept: on the panel itself, so the
// interface, which Qt makes and drops as it likes, never outlives what it reads.
constexpr char kRoleProperty[] = "opalAccessibleRole";
constexpr char kValueProperty[] = "opalAccessibleValue";
constexpr char kCheckedProperty[] = "opalAccessibleChecked";

class PanelAccessible final : public QAccessibleWidget {
public:
    PanelAccessible(QWidget* panel, QAccessible::Role role)
        : QAccessibleWidget(panel, role)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        const QString value = widget()->property(kValueProperty).toString();
        if (kind == QAccessible::Value)
            return value;
        // The AT-SPI bridge carries no value text beside the numeric value interface, so
        // the description leads with the value: a reader on Linux speaks it with the name.
        if (kind == QAccessible::Description && !value.isEmpty())
            return value + QStringLiteral(". ") + QAccessibleWidget::text(kind);
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const QVariant checked = widget()->property(kCheckedProperty);
        if (checked.isValid()) {
            state.checkable = true;
            state.checked = checked.toBool();
        }
        state.focusable = widget()->focusPolicy() != Qt::NoFocus;
        return state;
    }

    static QAccessibleInterface* create(const QString& className, QObject* object)
    {
        if (className != QLatin1String("PicturePanel") || !object || !object->isWidgetType())
            return nullptr;
        const QVariant role = object->property(kRoleProperty);
        if (!role.isValid())
            return nullptr; // a panel that is only a picture keeps the toolkit's interface
        return new PanelAccessible(static_cast<QWidget*>(object), static_cast<QAccessible::Role>(role.toInt()));
    }
};

} // namespace

void setAccessibleRole(PicturePanel* panel, QAccessible::Role role)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&PanelAccessible::create);
        return true;
    }();
    (void)factoryInstalled;
    panel->setProperty(kRoleProperty, static_cast<int>(role));
}

void setAccessibleValue(PicturePanel* panel, const QString& value)
{
    if (panel->property(kValueProperty).toString() == value)
        return;
    panel->setProperty(kValueProperty, value);
    QAccessibleValueChangeEvent event(panel, value);
    QAccessible::updateAccessibility(&event);
    QAccessibleEvent descriptionChanged(panel, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&descriptionChanged);
}

void setAccessibleChecked(PicturePanel* panel, bool checked)
{
    const QVariant old = panel->property(kCheckedProperty);
    if (old.isValid() && old.toBool() == checked)
        return;
    panel->setProperty(kCheckedProperty, checked);
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(panel, changed);
    QAccessible::updateAccessibility(&event);
}
