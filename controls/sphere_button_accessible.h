#pragma once

#include <QAccessibleWidget>

class SphereButton;

// What screen readers see of a sphere button: a push button, or a check box when it is one,
// named by its caption, with its checked state, and a press or toggle action that does what
// a click does. SphereButton installs the factory with its first instance.
class SphereButtonAccessible final : public QAccessibleWidget {
public:
    explicit SphereButtonAccessible(SphereButton* button);

    // A button may become a check box after it was made: the role follows it.
    QAccessible::Role role() const override;
    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;
    QStringList keyBindingsForAction(const QString& action) const override;

    // The factory for QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

private:
    SphereButton* button() const;
};
