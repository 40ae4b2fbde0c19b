// What the three colour preset dialogs share: the document they apply their preset to, and the button that
// applies it, offered again at every showing. A preset applied says so (`applied`), and the window redraws.
#pragma once

#include <QDialog>

class QPushButton;

namespace orvenna {
class Document;
struct PresetRequest;
}  // namespace orvenna

class PresetDialog : public QDialog {
    Q_OBJECT
signals:
    void applied();

protected:
    PresetDialog(orvenna::Document& document, QWidget* parent, Qt::WindowFlags flags)
        : QDialog(parent, flags), document_(document) {}
    orvenna::Document& document() const { return document_; }
    // Applies `request` to the document; a preset that cannot be made says why in a message box. True when
    // it was applied (and `applied` emitted).
    bool apply(const orvenna::PresetRequest& request);
    // The button that applies the preset (OK, "実行"): disabled while the preset runs, enabled again at every
    // showing.
    void setApplyButton(QPushButton* button) { applyButton_ = button; }
    void showEvent(QShowEvent* event) override;

private:
    orvenna::Document& document_;
    QPushButton* applyButton_ = nullptr;
};
