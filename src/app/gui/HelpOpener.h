#pragma once
// Help requests: the HTML manual opened at the anchor of a help context in the
// desktop's browser. Dialog help uses the context 0x20000 + the dialog's id.

#include <QString>
#include <QUrl>
#include <functional>

#include "platform/Prompter.h"

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
// the program (../share/tessaryn/manual, or the single page tsrn.html a
// setup installation holds), then the source tree's.
QString ManualIndexPath();
// The same for a program in `programFolder`.
QString ManualIndexPath(const QString& programFolder);

// Opens `index` at the anchor of `context` with `open`; when there is no
// manual or `open` fails, tells the user through `prompter`.
void ShowManual(const QString& index, int context, const std::function<bool(const QUrl&)>& open,
                Prompter& prompter);

class DesktopHelpOpener : public HelpOpener {
  public:
    // Without a prompter a failure is only written to standard error.
    explicit DesktopHelpOpener(Prompter* prompter = nullptr) : prompter_(prompter) {}
    void ShowHelp(int context) override;

  private:
    Prompter* prompter_;
};

}  // namespace tsrn::app
