// A channel expression that does not compile says why: the box's tooltip holds where the text stops making
// sense and the reason, and status panel 0 shows it once when it appears or changes. A box that compiles
// again gets its own hint back.
#include <QLineEdit>

#include "app/MainWindow.h"
#include "display/ExpressionProblems.h"

namespace {

// The box's own tooltip, kept while a reason stands in its place.
const char* const kOwnToolTip = "ownToolTip";

}  // namespace

void MainWindow::showExpressionProblem(int channel, QLineEdit* edit, bool compiles) {
    if (channel < 0 || channel > 2) return;
    QString& shown = expressionProblems[channel];
    if (compiles) {
        shown.clear();
        if (edit->property(kOwnToolTip).isValid()) edit->setToolTip(edit->property(kOwnToolTip).toString());
        return;
    }
    const QString problem =
        QString::fromStdString(orvenna::explain_expression(edit->text().toUtf8().constData()));
    if (!edit->property(kOwnToolTip).isValid()) edit->setProperty(kOwnToolTip, edit->toolTip());
    edit->setToolTip(problem);
    if (problem != shown) setStatusPanelText(0, problem);
    shown = problem;
}
