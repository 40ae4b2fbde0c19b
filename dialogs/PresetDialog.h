// What the three colour preset dialogs share: the window they write into, and the button that applies the
// preset, offered again at every showing.
#pragma once

#include <QDialog>

class PresetTarget;
class QPushButton;

class PresetDialog : public QDialog {
    Q_OBJECT
public:
    // The window the dialog writes its expressions into; set by that window each time it opens the dialog.
    void setTarget(PresetTarget* target) { target_ = target; }

protected:
    PresetDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}
    PresetTarget* target() const { return target_; }
    // The button that applies the preset (OK, "実行"): the dialog disables it while the preset runs, and
    // every showing enables it again.
    void setApplyButton(QPushButton* button) { applyButton_ = button; }
    void showEvent(QShowEvent* event) override;

private:
    PresetTarget* target_ = nullptr;
    QPushButton* applyButton_ = nullptr;
};
