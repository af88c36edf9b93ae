#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

// Tells Qt's accessibility layer how to present the stand-in widgets that Qt's own interfaces
// would show as plain, nameless areas: a TableView as a list of its rows in view, a
// TableViewCell as one row named by what it shows, and a TouchView with the value properties
// of ValueControlAccessible as a slider with that value. install() registers it once; the
// widgets concerned call it when they are made, so programs and tests need not. GUI thread only.
class AccessibleFactory {
public:
    static void install();
    // The interface for the object, when `className` (Qt asks once per class while walking up
    // the hierarchy) is the stand-in's; else null.
    static QAccessibleInterface* create(const QString& className, QObject* object);
};
