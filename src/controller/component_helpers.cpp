#include "controller/component_helpers.h"

namespace {
constexpr const char* kTagProperty = "Tag";
}

void SetTag(QObject* component, int tag)
{
    component->setProperty(kTagProperty, tag);
}

int TagOf(const QObject* component)
{
    return component->property(kTagProperty).toInt();
}

void EnableDoubleBuffering(QWidget* component)
{
    component->setAttribute(Qt::WA_PaintOnScreen, false);
    for (QWidget* child : component->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EnableDoubleBuffering(child);
}
