// Hints: "short|long". The short part is the tool tip, the long part (after the first '|', or the whole hint
// when it has none) is the status tip, which the main window shows in status panel 0.
#pragma once

#include <QString>

class QAction;
class QWidget;

QString shortHint(const QString& hint);
QString longHint(const QString& hint);

void setHint(QWidget* widget, const QString& hint);
void setHint(QAction* action, const QString& hint);
