#pragma once
// PasswordPrompts answered by the real dialogs 164 and 169.

#include <QPointer>
#include <QWidget>

#include "app/StartupPorts.h"

namespace tsrn::app {

class HelpOpener;

class DialogPasswordPrompts : public PasswordPrompts {
  public:
    explicit DialogPasswordPrompts(HelpOpener* help, QWidget* owner = nullptr)
        : help_(help), owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> AskUnlock(bool showTemporaryNote) override;
    std::optional<MissingPasswordAnswer> AskMissingPassword() override;

  private:
    HelpOpener* help_;
    QPointer<QWidget> owner_;
};

}  // namespace tsrn::app
