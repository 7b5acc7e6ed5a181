#include "editor/panel_accessible.h"

#include "engine/picture_panel.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QVariant>

#include <optional>

namespace {

constexpr char kReaderProperty[] = "opalPanelReader";

// What a reader is told of one panel. It is a child of the panel, so the interfaces, which
// Qt makes and drops as it likes, never outlive what they read.
class PanelReader final : public QObject {
public:
    explicit PanelReader(QObject* panel)
        : QObject(panel)
    {
    }

    QAccessible::Role role = QAccessible::Client;
    QString value;
    std::optional<bool> checked;
    std::function<void()> select;
    QStringList items;
    int selectedItem = -1;
    std::function<QRect(int)> itemRect;
    std::function<void(int)> selectItem;
};

PanelReader* readerOf(const QObject* panel)
{
    return static_cast<PanelReader*>(panel->property(kReaderProperty).value<QObject*>());
}

PanelReader& madeReaderOf(PicturePanel* panel)
{
    if (PanelReader* reader = readerOf(panel))
        return *reader;
    auto* reader = new PanelReader(panel);
    panel->setProperty(kReaderProperty, QVariant::fromValue<QObject*>(reader));
    return *reader;
}

// One item of a list panel. It has no object of its own: it reads its name, place and
// state from the panel's reader each time it is asked.
class PanelItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PanelItemAccessible(QWidget* panel, int index)
        : m_panel(panel)
        , m_index(index)
    {
    }

    bool isValid() const override { return validReader() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_panel ? m_panel->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_panel.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override
    {
        const PanelReader* reader = validReader();
        return kind == QAccessible::Name && reader ? reader->items.at(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        const PanelReader* reader = validReader();
        const QWidget* panel = m_panel.data();
        if (!reader || !panel || !reader->itemRect)
            return {};
        const QRect onPanel = reader->itemRect(m_index);
        return QRect(panel->mapToGlobal(onPanel.topLeft()), onPanel.size());
    }

    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const PanelReader* reader = validReader();
        const QWidget* panel = m_panel.data();
        if (!reader || !panel) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = m_index == reader->selectedItem;
        state.focused = state.selected && panel->hasFocus();
        state.invisible = !panel->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return { selectActionName() }; }
    void doAction(const QString& action) override
    {
        const PanelReader* reader = validReader();
        if (action == selectActionName() && reader && reader->selectItem)
            reader->selectItem(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    // The panel's reader while this item is one of its items; null once it is not.
    const PanelReader* validReader() const
    {
        const PanelReader* reader = m_panel ? readerOf(m_panel) : nullptr;
        return reader && m_index < reader->items.size() ? reader : nullptr;
    }

    QPointer<QWidget> m_panel;
    int m_index;
};

class PanelAccessible final : public QAccessibleWidget {
public:
    PanelAccessible(QWidget* panel, QAccessible::Role role)
        : QAccessibleWidget(panel, role)
    {
    }

    ~PanelAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_itemIds))
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text kind) const override
    {
        const QString& value = reader().value;
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
        if (reader().checked) {
            state.checkable = true;
            state.checked = *reader().checked;
        }
        state.focusable = widget()->focusPolicy() != Qt::NoFocus;
        return state;
    }

    int childCount() const override { return static_cast<int>(reader().items.size()); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_itemIds.constFind(index);
        if (found == m_itemIds.constEnd())
            found = m_itemIds.insert(
                index, QAccessible::registerAccessibleInterface(new PanelItemAccessible(widget(), index)));
        return QAccessible::accessibleInterface(*found);
    }

    int indexOfChild(const QAccessibleInterface* item) const override
    {
        for (auto it = m_itemIds.constBegin(); it != m_itemIds.constEnd(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == item)
                return it.key() < childCount() ? it.key() : -1;
        }
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            if (QAccessibleInterface* item = child(i); item->rect().contains(x, y))
                return item;
        }
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (widget()->hasFocus() && reader().selectedItem >= 0)
            return child(reader().selectedItem);
        return QAccessibleWidget::focusChild();
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (reader().select)
            names.prepend(selectActionName());
        return names;
    }

    void doAction(const QString& action) override
    {
        if (action == selectActionName() && reader().select)
            reader().select();
        else
            QAccessibleWidget::doAction(action);
    }

    static QAccessibleInterface* create(const QString& className, QObject* object)
    {
        if (className != QLatin1String("PicturePanel") || !object || !object->isWidgetType())
            return nullptr;
        const PanelReader* reader = readerOf(object);
        if (!reader)
            return nullptr; // a panel that is only a picture keeps the toolkit's interface
        return new PanelAccessible(static_cast<QWidget*>(object), reader->role);
    }

private:
    const PanelReader& reader() const { return *readerOf(widget()); }

    // Item interfaces made so far, by index; registered with QAccessible, which owns them
    // until this interface goes.
    mutable QHash<int, QAccessible::Id> m_itemIds;
};

} // namespace

QString selectActionName() { return QStringLiteral("Select"); }

void setAccessibleRole(PicturePanel* panel, QAccessible::Role role)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&PanelAccessible::create);
        return true;
    }();
    (void)factoryInstalled;
    madeReaderOf(panel).role = role;
}

void setAccessibleValue(PicturePanel* panel, const QString& value)
{
    PanelReader& reader = madeReaderOf(panel);
    if (reader.value == value)
        return;
    reader.value = value;
    QAccessibleValueChangeEvent event(panel, value);
    QAccessible::updateAccessibility(&event);
    QAccessibleEvent descriptionChanged(panel, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&descriptionChanged);
}

void setAccessibleChecked(PicturePanel* panel, bool checked)
{
    PanelReader& reader = madeReaderOf(panel);
    if (reader.checked == checked)
        return;
    reader.checked = checked;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(panel, changed);
    QAccessible::updateAccessibility(&event);
}

void setAccessibleSelectAction(PicturePanel* panel, std::function<void()> select)
{
    madeReaderOf(panel).select = std::move(select);
}

void setAccessibleItemSource(PicturePanel* panel, std::function<QRect(int)> itemRect,
    std::function<void(int)> selectItem)
{
    PanelReader& reader = madeReaderOf(panel);
    reader.itemRect = std::move(itemRect);
    reader.selectItem = std::move(selectItem);
}

void setAccessibleItems(PicturePanel* panel, const QStringList& names, int selected)
{
    PanelReader& reader = madeReaderOf(panel);
    if (reader.items.size() != names.size()) {
        QAccessibleEvent reordered(panel, QAccessible::ObjectReorder);
        reader.items = names;
        QAccessible::updateAccessibility(&reordered);
    } else {
        for (int i = 0; i < names.size(); ++i) {
            if (reader.items.at(i) == names.at(i))
                continue;
            reader.items[i] = names.at(i);
            QAccessibleEvent renamed(panel, QAccessible::NameChanged);
            renamed.setChild(i);
            QAccessible::updateAccessibility(&renamed);
        }
    }
    if (reader.selectedItem == selected)
        return;
    reader.selectedItem = selected;
    if (selected < 0 || selected >= names.size())
        return;
    QAccessibleEvent chosen(panel, QAccessible::Selection);
    chosen.setChild(selected);
    QAccessible::updateAccessibility(&chosen);
    if (panel->hasFocus()) {
        QAccessibleEvent focused(panel, QAccessible::Focus);
        focused.setChild(selected);
        QAccessible::updateAccessibility(&focused);
    }
}
