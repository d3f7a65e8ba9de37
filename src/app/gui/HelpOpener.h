#pragma once
// Help requests: the HTML manual opened at the anchor of a help context in the
// desktop's browser. Dialog help uses the context 0x20000 + the dialog's id.

#include <QString>

namespace tsrn::app {

inline constexpr int kDialogHelpBase = 0x20000;

class HelpOpener {
  public:
    virtual ~HelpOpener() = default;
    virtual void ShowHelp(int context) = 0;
};

// The anchor name of a help context in the manual, such as "0x20080".
QString HelpAnchor(int context);

// The manual's index page: $TSRN_MANUAL_DIR, then the installed copy next to
// the program (../share/doc/tessaryn/manual), then the source tree's.
QString ManualIndexPath();

class DesktopHelpOpener : public HelpOpener {
  public:
    void ShowHelp(int context) override;
};

}  // namespace tsrn::app
