#pragma once
// Messages of the installer as QMessageBox windows, captions from its table.

#include "platform/Prompter.h"

class QWidget;

namespace tsrn::setup {

class MessageBoxPrompter : public Prompter {
  public:
    // The window the boxes belong to; none by default.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    Answer Ask(const Message& message) override;

  private:
    QWidget* owner_ = nullptr;
};

}  // namespace tsrn::setup
