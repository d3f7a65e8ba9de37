#pragma once
// The About box (100): the picture, the version and the author's address as
// a link (1037) that opens a mail to it.

#include <QDialog>

#include "about/CLinkStatic.h"

namespace tsrn::about {

class CAboutBox : public QDialog {
    Q_OBJECT
  public:
    CAboutBox(LinkLauncher& launcher, registry::RegistryDatabase& registry, Prompter& prompter,
              QWidget* parent = nullptr);

    CLinkStatic& Link() { return *link_; }

  private:
    CLinkStatic* link_;
};

}  // namespace tsrn::about
