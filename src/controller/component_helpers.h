#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <span>

// VCL's Tag: an integer every control carries. Shared handlers tell their
// controls apart by it (a command code, a preset number, an index).
void SetTag(QObject* component, int tag);
[[nodiscard]] int TagOf(const QObject* component);

// Looks up the components named prefix + (firstNumber + i) among the children
// of `owner` and stores them in array[i]; with `setTag`, their Tag becomes i.
template <typename T>
void FindNumberedComponents(QObject* owner, std::span<T*> array, int firstNumber, bool setTag, const QString& prefix)
{
    for (size_t i = 0; i < array.size(); ++i) {
        const QString name = prefix + QString::number(firstNumber + static_cast<int>(i));
        array[i] = owner->findChild<T*>(name);
        Q_ASSERT_X(array[i] != nullptr, "FindNumberedComponents", qPrintable(name));
        if (setTag && array[i] != nullptr)
            SetTag(array[i], static_cast<int>(i));
    }
}

// Every widget paints through Qt's backing store, which is the flicker-free
// double buffering the window needs; this makes sure no widget of the tree
// opted out of it by painting straight to the screen.
void EnableDoubleBuffering(QWidget* component);
