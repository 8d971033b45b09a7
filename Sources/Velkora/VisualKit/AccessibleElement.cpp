#include "VisualKit/AccessibleElement.h"

#include <QAbstractSlider>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace velkora {

namespace {

const char* const combinedMark = "velkoraAccessibleCombined";
const char* const hiddenMark = "velkoraAccessibleHidden";
const char* const valueMark = "velkoraAccessibleValue";

bool isHidden(const QObject* object)
{
    return object->property(hiddenMark).toBool();
}

bool isCombined(const QObject* object)
{
    return object->property(combinedMark).toBool();
}

bool holdsHiddenChild(const QObject* object)
{
    for (const QObject* child : object->children()) {
        if (child->isWidgetType() && isHidden(child)) {
            return true;
        }
    }
    return false;
}

// The reading of a marked widget, or of one that holds a hidden child.
class ElementInterface final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ElementInterface(QWidget* widget) : QAccessibleWidget(widget, roleOf(widget)) {}

    int childCount() const override { return static_cast<int>(offeredChildren().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = offeredChildren();
        if (index < 0 || index >= children.size()) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (child == nullptr || !child->object() || !child->object()->isWidgetType()) {
            return -1;
        }
        return static_cast<int>(offeredChildren().indexOf(static_cast<QWidget*>(child->object())));
    }

    QAccessibleInterface* focusChild() const override
    {
        return isCombined(widget()) ? nullptr : QAccessibleWidget::focusChild();
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value) {
            if (const QVariant value = widget()->property(valueMark); value.isValid()) {
                return value.toString();
            }
            if (const QAbstractSlider* slider = this->slider()) {
                return QString::number(slider->value());
            }
        }
        if (kind == QAccessible::Name && isCombined(widget()) && widget()->accessibleName().isEmpty()) {
            return labelTexts().join(QStringLiteral(", "));
        }
        return QAccessibleWidget::text(kind);
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && slider()) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override { slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    static QAccessible::Role roleOf(QWidget* widget)
    {
        if (isCombined(widget)) {
            return QAccessible::StaticText;
        }
        if (qobject_cast<QAbstractSlider*>(widget)) {
            return QAccessible::Slider;
        }
        return QAccessible::Client;
    }

    QAbstractSlider* slider() const { return qobject_cast<QAbstractSlider*>(widget()); }

    QList<QWidget*> offeredChildren() const
    {
        QList<QWidget*> offered;
        if (isCombined(widget())) {
            return offered;
        }
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !isHidden(child)) {
                offered.append(child);
            }
        }
        return offered;
    }

    // What the labels inside say, depth first, leaving out hidden parts.
    QStringList labelTexts() const
    {
        QStringList texts;
        collectLabelTexts(widget(), texts);
        return texts;
    }

    void collectLabelTexts(const QWidget* within, QStringList& texts) const
    {
        for (const QObject* object : within->children()) {
            const auto* child = qobject_cast<const QWidget*>(object);
            if (!child || child->isWindow() || isHidden(child) || !child->isVisibleTo(widget())) {
                continue;
            }
            if (const auto* label = qobject_cast<const QLabel*>(child); label && !label->text().isEmpty()) {
                texts.append(label->text());
            }
            collectLabelTexts(child, texts);
        }
    }
};

QAccessibleInterface* elementFactory(const QString&, QObject* object)
{
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    if (!isCombined(object) && !object->property(valueMark).isValid() && !holdsHiddenChild(object)) {
        return nullptr;
    }
    return new ElementInterface(static_cast<QWidget*>(object));
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(elementFactory);
        return true;
    }();
    (void)installed;
}

// Qt reads a widget as soon as anything about it is announced (its
// accessible name is set, for one), often before it is marked: a reading
// made before the marks is let go, so that the next one follows them.
void readAnew(QWidget* widget)
{
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(widget);
    if (reading && dynamic_cast<ElementInterface*>(reading) == nullptr) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(reading));
    }
}

}  // namespace

void AccessibleElement::combine(QWidget* widget)
{
    installFactory();
    widget->setProperty(combinedMark, true);
    readAnew(widget);
}

void AccessibleElement::hide(QWidget* widget)
{
    installFactory();
    widget->setProperty(hiddenMark, true);
    if (QWidget* parent = widget->parentWidget()) {
        readAnew(parent);
    }
}

void AccessibleElement::setValue(QWidget* widget, const QString& value)
{
    installFactory();
    const QVariant current = widget->property(valueMark);
    if (current.isValid() && current.toString() == value) {
        return;
    }
    widget->setProperty(valueMark, value);
    if (!current.isValid()) {
        readAnew(widget);
    }
    QAccessibleValueChangeEvent changed(widget, value);
    QAccessible::updateAccessibility(&changed);
}

}  // namespace velkora
