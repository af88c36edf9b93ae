#pragma once

#include <QList>
#include <utility>

// A new list holding the elements of `list` in reverse order; `list` is left as it was.
template <class T>
QList<T> reversedArray(const QList<T>& list) {
    return QList<T>(list.crbegin(), list.crend());
}

// Reverses `list` in place by swapping from both ends towards the middle.
template <class T>
void reverse(QList<T>& list) {
    if (list.size() < 2) {
        return;
    }
    qsizetype front = 0;
    qsizetype back = list.size() - 1;
    while (front < back) {
        list.swapItemsAt(front++, back--);
    }
}
