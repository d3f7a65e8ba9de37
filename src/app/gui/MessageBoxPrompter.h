#pragma once
// Message boxes as QMessageBox: caption, buttons, icon and default button as
// the message names them.

#include <QPointer>
#include <QWidget>

#include "platform/Prompter.h"

namespace tsrn::app {

class MessageBoxPrompter : public Prompter {
  public:
    // Boxes are owned by `owner` when it is set, else by no window.
    explicit MessageBoxPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    Answer Ask(const Message& message) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace tsrn::app
